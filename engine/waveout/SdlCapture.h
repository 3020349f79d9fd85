// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "waveout/CaptureSource.h"
#include "waveout/SampleQueue.h"
#include "waveout/SdlAudioInit.h"

// The default input device through SDL2's capture: mono, 16-bit, 48000 Hz, or
// the device's own rate where it offers only another one of at least 44100 Hz.
//
// Threads:
// - the window thread calls every public method (CaptureSource's contract);
// - SDL's audio thread runs the capture callback, which only copies into the
//   sample queue (lock-free, fixed size) and counts what did not fit; it never
//   blocks, allocates, logs or calls the window.
class SdlCapture final : public CaptureSource {
  public:
    static constexpr int kPreferredRate = 48000;
    static constexpr int kLowestRate = 44100;
    // SDL's buffer: a twentieth of a second (2400 frames at 48000 Hz), so that
    // each of the meter's 20 updates a second finds fresh samples, and the
    // capture thread wakes no more often than that.
    static constexpr int kBuffersPerSecond = 20;
    static constexpr std::uint16_t DeviceFrames(int rate) {
        return static_cast<std::uint16_t>(rate / kBuffersPerSecond);
    }
    // The queue holds 2^18 samples, 5.4 s at 48000 Hz: the window thread may
    // be held up that long before a sample is lost.
    static constexpr unsigned kQueueLog2 = 18;
    // A device that delivers nothing for this long is taken as lost.
    static constexpr std::chrono::milliseconds kSilentDeviceLimit{2000};

    SdlCapture();
    ~SdlCapture() override;
    SdlCapture(const SdlCapture&) = delete;
    SdlCapture& operator=(const SdlCapture&) = delete;

    std::string Start() override;
    std::size_t Read(std::span<std::int16_t> out) override;
    std::string Fault() override;
    void Stop() override;
    int ReadyDescriptor() const override { return m_ready.get(); }
    std::uint32_t Rate() const override { return m_rate; }
    std::uint64_t OverrunCount() const override {
        return m_overruns.load(std::memory_order_relaxed);
    }

  private:
    struct DeviceCloser {
        void operator()(std::uint32_t* deviceId) const;
    };
    using DeviceHandle = std::unique_ptr<std::uint32_t, DeviceCloser>;
    // An eventfd: the callback adds to it after each block (a non-blocking
    // write, no lock, no allocation), Read empties it.
    class ReadyFd {
      public:
        ReadyFd();
        ~ReadyFd();
        ReadyFd(const ReadyFd&) = delete;
        ReadyFd& operator=(const ReadyFd&) = delete;
        int get() const { return m_fd; }
        void Signal() const;  // SDL's audio thread
        void Clear() const;   // window thread

      private:
        int m_fd;
    };

    static void CaptureCallback(void* userdata, std::uint8_t* stream, int length);
    // Opens the default input at rate (or, with allowChange, the device's own);
    // returns SDL's device id, 0 when it refuses.
    std::uint32_t Open(int rate, bool allowChange, int& openedRate);

    std::shared_ptr<const SdlAudioInit> m_sdl;
    DeviceHandle m_device;
    std::uint32_t m_rate = 0;
    SampleQueue m_queue{kQueueLog2};
    ReadyFd m_ready;
    // Counted by the audio thread, read by any; relaxed: a statistic, ordering
    // nothing else.
    std::atomic<std::uint64_t> m_overruns{0};
    std::chrono::steady_clock::time_point m_lastSamples;  // window thread
};
