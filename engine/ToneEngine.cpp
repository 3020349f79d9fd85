// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneEngine.h"

#include <algorithm>
#include <cmath>

namespace {

// The stream's format at a given rate: 16-bit stereo PCM, left value first.
WaveFormatEx StereoPcm16(std::uint32_t samplesPerSec) {
    WaveFormatEx format;
    format.wFormatTag = kWaveFormatPcm;
    format.nChannels = 2;
    format.nSamplesPerSec = samplesPerSec;
    format.nAvgBytesPerSec = samplesPerSec * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    return format;
}

// 16-bit values per buffer: 16384 at 44100 Hz and above, otherwise the same
// duration at the lower rate, rounded down to whole stereo frames.
std::int32_t BufferLengthFor(std::uint32_t samplesPerSec) {
    if (samplesPerSec >= ToneEngine::kDefaultRate) {
        return ToneEngine::kMaxBufferLength;
    }
    const std::uint32_t length =
        (samplesPerSec * static_cast<std::uint32_t>(ToneEngine::kMaxBufferLength)) /
        ToneEngine::kDefaultRate;
    return static_cast<std::int32_t>(length & ~1u);
}

// amplitude·v truncated toward zero, kept as its low 16 bits. Going through 64
// bits keeps the conversion defined for any 32-bit amplitude.
std::int16_t ToSample(double amplitude, double v) {
    const auto wide = static_cast<std::int64_t>(amplitude * v);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(wide));
}

// a + b clamped to the 16-bit range: a sum past either end stays at that end
// instead of wrapping to the other.
std::int16_t AddSaturated(std::int16_t a, std::int16_t b) {
    const int sum = int{a} + int{b};
    return static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
}

}  // namespace

ToneEngine::ToneEngine(WaveOut& device, EngineHost& host) : m_device(device), m_host(host) {}

ToneEngine::~ToneEngine() {
    if (m_open) {
        CloseOutput();
    }
}

void ToneEngine::AllocateBuffers() {
    m_bufferA = std::make_unique<std::int16_t[]>(kMaxBufferLength);
    m_bufferB = std::make_unique<std::int16_t[]>(kMaxBufferLength);
}

void ToneEngine::FreeBuffers() {
    m_header[0].lpData = nullptr;
    m_header[1].lpData = nullptr;
    m_bufferA.reset();
    m_bufferB.reset();
}

void ToneEngine::InitOscillator(double frequencyHz) {
    m_oscillator = Oscillator::Start(frequencyHz, static_cast<double>(kDefaultRate));
    m_frequency.store(frequencyHz, std::memory_order_relaxed);
    m_retunePending.store(true, std::memory_order_release);
    m_sampleRate = kDefaultRate;
}

bool ToneEngine::OpenOutput() {
    m_nextIndex = 0;
    m_filePosition.store(0, std::memory_order_relaxed);
    m_inRefill.store(false, std::memory_order_seq_cst);

    m_outputFormat = StereoPcm16(m_sampleRate);
    m_bufferLength = BufferLengthFor(m_sampleRate);

    if (m_device.Query(m_outputFormat) != MMSYSERR_NOERROR) {
        return false;
    }
    if (m_device.Open(m_outputFormat, &ToneEngine::WaveOutProc, this) != MMSYSERR_NOERROR) {
        return false;
    }
    m_open = true;

    const auto bytes = static_cast<std::uint32_t>(m_bufferLength) * 2u;
    std::int16_t* const blocks[2] = {m_bufferA.get(), m_bufferB.get()};
    for (int i = 0; i < 2; ++i) {
        m_header[i] = WaveHeader{};
        m_header[i].lpData = reinterpret_cast<char*>(blocks[i]);
        m_header[i].dwBufferLength = bytes;
    }
    for (WaveHeader& header : m_header) {
        FillBuffer(header);
        if (m_device.PrepareHeader(header) != MMSYSERR_NOERROR ||
            m_device.Write(header) != MMSYSERR_NOERROR) {
            return false;
        }
    }
    // Only now may notifications refill: both buffers are queued and the priming
    // fills are done with the oscillator. seq_cst pairs with the refill's test.
    m_stopping.store(false, std::memory_order_seq_cst);
    return true;
}

void ToneEngine::CloseOutput() {
    m_filePlaying.store(false, std::memory_order_relaxed);
    // Handshake (seq_cst on both sides): a refill sets m_inRefill before it tests
    // m_stopping, so once m_stopping is set and m_inRefill seen clear, no refill
    // is running or can start.
    m_stopping.store(true, std::memory_order_seq_cst);
    while (m_inRefill.load(std::memory_order_seq_cst)) {
        // The refill may be waiting on this thread (its progress update); the
        // host keeps this thread's messages flowing while it waits.
        m_host.WaitForRefill();
    }
    // Results ignored: the device may never have been opened.
    m_device.Reset();
    m_device.UnprepareHeader(m_header[0]);
    m_device.UnprepareHeader(m_header[1]);
    m_device.Close();
    m_open = false;
    m_filledAmplitude = 0;  // the stream is silent now, whatever its last fill held
}

void ToneEngine::WaveOutProc(WaveOut* /*device*/, std::uint32_t message, void* instance,
                             std::uintptr_t /*param1*/, std::uintptr_t /*param2*/) {
    if (instance == nullptr || message != WOM_DONE) {
        return;
    }
    auto& self = *static_cast<ToneEngine*>(instance);
    self.m_inRefill.store(true, std::memory_order_seq_cst);
    if (self.m_stopping.load(std::memory_order_seq_cst)) {
        self.m_inRefill.store(false, std::memory_order_seq_cst);
        return;
    }

    // Buffers finish in the order they were queued, so the next index names the
    // finished one. Device results are ignored here.
    WaveHeader& header = self.m_header[self.m_nextIndex];
    self.m_device.UnprepareHeader(header);
    self.FillBuffer(header);
    self.m_device.PrepareHeader(header);
    self.m_device.Write(header);
    self.m_nextIndex = static_cast<std::int16_t>((self.m_nextIndex + 1) & 1);

    const auto count = static_cast<std::int32_t>(self.m_recording.size());
    int progress = 0;
    if (count > 0) {
        const double percent = self.m_filePosition.load(std::memory_order_relaxed) * 100.0 / count;
        progress = static_cast<std::int16_t>(percent);
    }
    self.m_host.SetProgressPos(progress);

    self.m_inRefill.store(false, std::memory_order_seq_cst);
}

void ToneEngine::FillBuffer(WaveHeader& header) {
    // acquire pairs with the release in SetFrequency / RequestRetune: the
    // frequency read below is at least as new as the request just taken. The
    // request is taken before the frequency is read, so a request raised from
    // here on stays pending for the next fill.
    if (m_retunePending.exchange(false, std::memory_order_acquire)) {
        const double frequency = m_frequency.load(std::memory_order_relaxed);
        m_oscillator.Retune(Oscillator::kTwoPi * frequency / static_cast<double>(m_sampleRate));
    }

    // acquire pairs with the release in SetAmplitude / GlideToAmplitude: a new
    // amplitude seen here comes with its glide request. A request is taken only
    // with the amplitude it was raised for, never by a fill that still sees the
    // old one.
    const std::int32_t amplitude = m_amplitude.load(std::memory_order_acquire);
    const bool glide =
        amplitude != m_filledAmplitude && m_glidePending.exchange(false, std::memory_order_relaxed);
    auto* const out = reinterpret_cast<std::int16_t*>(header.lpData);
    const std::int32_t length = m_bufferLength;
    const bool bothEars = m_bothEars.load(std::memory_order_relaxed);
    FillTone(out, glide ? m_filledAmplitude : amplitude, amplitude, bothEars);
    m_filledAmplitude = amplitude;

    if (!m_filePlaying.load(std::memory_order_relaxed)) {
        return;
    }
    const bool loop = m_loop.load(std::memory_order_relaxed);
    const auto count = static_cast<std::int32_t>(m_recording.size());
    std::int32_t start = m_filePosition.load(std::memory_order_relaxed);
    std::int32_t position = std::max(start, std::int32_t{0});
    for (std::int32_t j = 1; j < length && position < count; j += 2) {
        const std::int16_t sample = m_recording[static_cast<std::size_t>(position)];
        if (bothEars) {
            out[j - 1] = AddSaturated(out[j - 1], sample);
            out[j] = AddSaturated(out[j], sample);
        } else {
            out[j] = sample;
        }
        ++position;
        if (loop && position == count) {
            position = 0;  // the next frame is the first sample again
        }
    }
    const bool ended = position >= count;
    // A Start / Stop Play pressed during this fill has reset the position; its
    // store wins over this fill's, and playback stays as the press left it.
    if (m_filePosition.compare_exchange_strong(start, ended ? 0 : position,
                                               std::memory_order_relaxed) &&
        ended) {
        m_filePlaying.store(false, std::memory_order_relaxed);
    }
}

void ToneEngine::FillTone(std::int16_t* out, std::int32_t from, std::int32_t to, bool bothEars) {
    const std::int32_t length = m_bufferLength;
    const std::int32_t glide = from == to ? 0 : std::min(2 * kGlideFrames, length);
    const double step = static_cast<double>(to - from) / kGlideFrames;
    Oscillator oscillator = m_oscillator;  // a local copy stays in registers
    for (std::int32_t i = 0; i < glide; i += 2) {
        const double gain = static_cast<double>(from) + step * static_cast<double>(i / 2 + 1);
        const std::int16_t tone = ToSample(gain, oscillator.Next());
        out[i] = tone;
        out[i + 1] = bothEars ? tone : std::int16_t{0};
    }
    for (std::int32_t i = glide; i < length; i += 2) {
        const std::int16_t tone = ToSample(static_cast<double>(to), oscillator.Next());
        out[i] = tone;
        out[i + 1] = bothEars ? tone : std::int16_t{0};
    }
    m_oscillator = oscillator;
}

void ToneEngine::SetFrequency(double frequencyHz) {
    m_frequency.store(frequencyHz, std::memory_order_relaxed);
    m_retunePending.store(true, std::memory_order_release);  // publishes the frequency
}

void ToneEngine::RequestRetune() {
    m_retunePending.store(true, std::memory_order_release);
}

void ToneEngine::SetAmplitude(std::int32_t amplitude) {
    m_glidePending.store(false, std::memory_order_relaxed);  // a step, not a glide
    m_amplitude.store(amplitude, std::memory_order_release);
}

void ToneEngine::GlideToAmplitude(std::int32_t amplitude) {
    m_glidePending.store(true, std::memory_order_relaxed);
    m_amplitude.store(amplitude, std::memory_order_release);  // publishes the request
}

void ToneEngine::SetSampleRate(std::uint32_t samplesPerSec) {
    m_sampleRate = samplesPerSec;
}

void ToneEngine::SetRecording(std::span<const std::int16_t> samples) {
    m_recording = samples;
}

void ToneEngine::SetLoop(bool loop) {
    m_loop.store(loop, std::memory_order_relaxed);
}

void ToneEngine::SetBothEars(bool bothEars) {
    m_bothEars.store(bothEars, std::memory_order_relaxed);
}

void ToneEngine::StartStopPlay() {
    m_filePosition.store(0, std::memory_order_relaxed);
    m_filePlaying.store(!m_filePlaying.load(std::memory_order_relaxed), std::memory_order_relaxed);
}
