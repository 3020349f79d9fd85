// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "EngineHost.h"
#include "Oscillator.h"
#include "waveout/WaveOut.h"

// The tone engine: a recursive sine oscillator in the left channel, the loaded
// recording in the right, streamed through two alternating buffers.
//
// Threads: the window thread calls everything except WaveOutProc; the device's
// notification thread calls WaveOutProc (and through it FillBuffer). Values both
// threads touch are atomics; the comment on each says who writes it.
class ToneEngine {
  public:
    static constexpr int kBlockBytes = 32768;       // one sample block
    static constexpr int kMaxBufferLength = 16384;  // 16-bit values per buffer
    static constexpr std::uint32_t kDefaultRate = 44100;
    static constexpr std::int32_t kDefaultAmplitude = 8192;
    static constexpr std::int32_t kGlideFrames = 512;  // 11.6 ms at 44100 Hz

    // Both must outlive the engine: the destructor may still stop the stream.
    ToneEngine(WaveOut& device, EngineHost& host);
    ~ToneEngine();  // stops a running stream before the buffers go away
    ToneEngine(const ToneEngine&) = delete;
    ToneEngine& operator=(const ToneEngine&) = delete;

    // Window thread. The two sample blocks live from AllocateBuffers to FreeBuffers.
    void AllocateBuffers();
    void FreeBuffers();

    // Window thread, before the first OpenOutput: y2 = 1, y1 = cos(2π·f / 44100),
    // k = 2·y1, retune pending, sample rate 44100.
    void InitOscillator(double frequencyHz);

    // Window thread. OpenOutput primes and queues both buffers; until it has,
    // notifications refill nothing. CloseOutput may be called when nothing is open.
    bool OpenOutput();
    void CloseOutput();

    // Window thread; the next fill retunes without a phase jump.
    void SetFrequency(double frequencyHz);
    void RequestRetune();
    void SetAmplitude(std::int32_t amplitude);
    // Window thread. As SetAmplitude, but the next fill moves the tone from the
    // amplitude of the last fill to this one over its first kGlideFrames frames,
    // so that the tone fades out or in instead of stopping or starting with a
    // click. Asked for while the stream is closed, the first fill of the next
    // open fades in from silence.
    void GlideToAmplitude(std::int32_t amplitude);
    void SetSampleRate(std::uint32_t samplesPerSec);  // takes effect at the next OpenOutput

    // Window thread, only while the stream is closed. The span must stay valid
    // until the next SetRecording.
    void SetRecording(std::span<const std::int16_t> samples);
    // Window thread: restart from sample 0, or stop.
    void StartStopPlay();
    // Window thread; each takes effect from the next fill. Loop: the recording
    // starts again from its first sample the moment it ends, in the same buffer,
    // until playback is stopped. Both ears: tone and recording go to both
    // channels, added and clamped to the 16-bit range. Off (the default), the
    // tone is left and the recording right.
    void SetLoop(bool loop);
    void SetBothEars(bool bothEars);

    // Notification thread (device callback).
    static void WaveOutProc(WaveOut* device, std::uint32_t message, void* instance,
                            std::uintptr_t param1, std::uintptr_t param2);
    // Notification thread, or the window thread while priming in OpenOutput.
    void FillBuffer(WaveHeader& header);

    // Observers, any thread.
    std::uint32_t SampleRate() const { return m_sampleRate; }
    std::int32_t BufferLength() const { return m_bufferLength; }
    std::int32_t Amplitude() const { return m_amplitude.load(std::memory_order_relaxed); }
    double Frequency() const { return m_frequency.load(std::memory_order_relaxed); }
    bool Loop() const { return m_loop.load(std::memory_order_relaxed); }
    bool BothEars() const { return m_bothEars.load(std::memory_order_relaxed); }
    bool FilePlaying() const { return m_filePlaying.load(std::memory_order_relaxed); }
    std::int32_t FilePosition() const { return m_filePosition.load(std::memory_order_relaxed); }
    bool IsOpen() const { return m_open; }
    // Window thread, while the stream is closed.
    const Oscillator& OscillatorState() const { return m_oscillator; }

  private:
    // A fill's tone, its amplitude moving from `from` to `to` over the first
    // kGlideFrames frames (or at once where they are equal). Same threads as
    // FillBuffer.
    void FillTone(std::int16_t* out, std::int32_t from, std::int32_t to, bool bothEars);

    WaveOut& m_device;
    EngineHost& m_host;

    WaveHeader m_header[2];
    std::unique_ptr<std::int16_t[]> m_bufferA;
    std::unique_ptr<std::int16_t[]> m_bufferB;
    WaveFormatEx m_outputFormat;
    bool m_open = false;  // window thread only

    // Stop handshake, sequentially consistent: a refill sets m_inRefill and then
    // tests m_stopping; CloseOutput sets m_stopping and then waits for m_inRefill
    // to clear. No refill can begin unseen after CloseOutput has looked.
    // A stream never opened counts as stopped, so that no notification fill can
    // race the priming fills of the first OpenOutput.
    std::atomic<bool> m_stopping{true};
    std::atomic<bool> m_inRefill{false};
    std::int16_t m_nextIndex = 0;  // notification thread while open

    std::uint32_t m_sampleRate = kDefaultRate;  // window thread; read by fills
    std::int32_t m_bufferLength = kMaxBufferLength;

    // Written by the window thread, read by fills.
    std::atomic<double> m_frequency{440.0};  // stored before m_retunePending is raised
    std::atomic<bool> m_retunePending{false};
    // m_glidePending is stored before m_amplitude, which publishes it.
    std::atomic<std::int32_t> m_amplitude{kDefaultAmplitude};
    std::atomic<bool> m_glidePending{false};
    std::atomic<bool> m_filePlaying{false};       // also cleared by a fill at the end
    std::atomic<std::int32_t> m_filePosition{0};  // also advanced by fills
    std::span<const std::int16_t> m_recording;    // changed only while closed
    // Relaxed: each is a switch of its own that publishes no other data; a fill
    // reads each once and keeps it for its whole buffer.
    std::atomic<bool> m_loop{false};
    std::atomic<bool> m_bothEars{false};

    // Touched only by fills: the priming fills on the window thread, then (after
    // the handshake on m_stopping) the refills on the notification thread.
    Oscillator m_oscillator;
    std::int32_t m_filledAmplitude = kDefaultAmplitude;  // the tone's at the end of the last fill
};
