// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "waveout/SdlAudioInit.h"
#include "waveout/WaveOut.h"

// The default audio output device through SDL2. SDL converts and resamples the
// stream's format to whatever the hardware or sound server takes.
//
// Threads:
// - the client thread calls Query, Open, Reset and Close (never from inside the
//   callback); Prepare/Unprepare/Write come from the client thread or from the
//   callback, one thread at a time;
// - SDL's audio thread runs the audio callback, which only copies from the
//   queue of written headers (lock-free, fixed capacity) and never blocks,
//   allocates, logs or calls the client;
// - the notification thread of this object calls the client's callback with
//   WOM_DONE for each finished header, in the order they were written.
class SdlWaveOut final : public WaveOut {
  public:
    // The stream rates the device takes, in frames per second. Below the lowest
    // the tone's top (1500.1 Hz) would come close to half the rate, where SDL's
    // and the server's resamplers cut it off; above the highest no server plays.
    static constexpr std::uint32_t kMinRate = 4000;
    static constexpr std::uint32_t kMaxRate = 384000;

    // SDL's buffer, in frames: 4096 (about 93 ms) at 44100 Hz and above, the same
    // duration below. The client's two buffers each last 186 ms below 44100 Hz
    // and hold 8192 frames from there up, so a callback never asks for more than
    // half of one: while one buffer is being refilled the other still serves the
    // next callback whole. No less than that either: SDL asks the sound server
    // to buffer about as much, and a shorter buffer there breaks up under load.
    static std::uint16_t DeviceFrames(std::uint32_t samplesPerSec);
    static constexpr std::uint32_t kMaxQueued = 16;  // headers written, not yet reported

    SdlWaveOut();
    ~SdlWaveOut() override;
    SdlWaveOut(const SdlWaveOut&) = delete;
    SdlWaveOut& operator=(const SdlWaveOut&) = delete;

    // Whether SDL can play the format: 16-bit PCM at a rate in range, which SDL
    // converts and resamples for any device. Opens nothing, so it costs no time;
    // a device that refuses the stream after all refuses it at Open.
    MmResult Query(const WaveFormatEx& format) override;
    // Opens the device paused; the first Write starts it.
    MmResult Open(const WaveFormatEx& format, WaveOutCallback callback, void* instance) override;
    MmResult PrepareHeader(WaveHeader& header) override;
    MmResult UnprepareHeader(WaveHeader& header) override;
    MmResult Write(WaveHeader& header) override;
    // Pauses and returns every queued header as done; returns once their
    // WOM_DONEs have run.
    MmResult Reset() override;
    // Returns what is queued as done, stops the device and joins the
    // notification thread: no callback runs after it returns. SDL's own close
    // of the stopped device finishes on a thread of its own.
    MmResult Close() override;

    // Gaps in the stream: silence the audio callback played for want of written
    // data, and then written data again. Any thread.
    std::uint64_t UnderrunCount() const { return m_underruns.load(std::memory_order_relaxed); }

  private:
    struct DeviceCloser {
        void operator()(std::uint32_t* deviceId) const;
    };
    using DeviceHandle = std::unique_ptr<std::uint32_t, DeviceCloser>;

    static void AudioCallback(void* userdata, std::uint8_t* stream, int length);
    void Pump(std::uint8_t* stream, std::size_t length);  // SDL's audio thread
    void NotificationLoop();                              // notification thread
    void Signal();

    std::shared_ptr<const SdlAudioInit> m_sdl;
    DeviceHandle m_device;  // set by Open before the threads start, cleared by Close after

    WaveOutCallback m_callback = nullptr;
    void* m_instance = nullptr;

    // Written headers, oldest first. Producer: Write (tail, release). Consumer:
    // the audio callback, or Reset while it holds SDL's device lock (head).
    std::array<WaveHeader*, kMaxQueued> m_playRing{};
    std::atomic<std::uint32_t> m_playHead{0};
    std::atomic<std::uint32_t> m_playTail{0};  // also the count of Writes since Open
    std::size_t m_playOffset = 0;              // bytes of the oldest header already played
    bool m_starved = false;                    // the last callback ran short (same owners)

    // Finished headers. Producer: the audio callback, or Reset under the device
    // lock (tail, release). Consumer: the notification thread (head).
    std::array<WaveHeader*, kMaxQueued> m_doneRing{};
    std::atomic<std::uint32_t> m_doneHead{0};
    std::atomic<std::uint32_t> m_doneTail{0};

    std::atomic<std::uint32_t> m_signal{0};     // bumped (release) to wake the notification thread
    std::atomic<std::uint32_t> m_delivered{0};  // WOM_DONEs returned since Open (release)
    std::atomic<bool> m_accepting{false};       // Write allowed: between Open and Close
    std::atomic<bool> m_started{false};         // device unpaused since the last Open/Reset
    std::atomic<bool> m_quit{false};
    std::atomic<std::uint64_t> m_underruns{0};
    std::thread m_thread;
    std::thread m_closer;  // closes the last device; joined before the next close and at the end
};
