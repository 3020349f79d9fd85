// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SdlWaveOut.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

bool IsPlayable(const WaveFormatEx& format) {
    return format.wFormatTag == kWaveFormatPcm && format.wBitsPerSample == 16 &&
           format.nChannels >= 1 && format.nChannels <= 8 &&
           format.nSamplesPerSec >= SdlWaveOut::kMinRate &&
           format.nSamplesPerSec <= SdlWaveOut::kMaxRate &&
           format.nBlockAlign == format.nChannels * 2;
}

SDL_AudioSpec SpecFor(const WaveFormatEx& format) {
    SDL_AudioSpec spec{};
    spec.freq = static_cast<int>(format.nSamplesPerSec);
    spec.format = AUDIO_S16SYS;
    spec.channels = static_cast<Uint8>(format.nChannels);
    spec.samples = SdlWaveOut::DeviceFrames(format.nSamplesPerSec);
    return spec;
}

// The device plays what it is given; SDL converts and resamples to the hardware.
constexpr int kAllowedChanges = 0;

constexpr std::uint32_t kFullRate = 44100;
constexpr std::uint32_t kFullFrames = 4096;

}  // namespace

std::uint16_t SdlWaveOut::DeviceFrames(std::uint32_t samplesPerSec) {
    const std::uint64_t frames = std::uint64_t{samplesPerSec} * kFullFrames / kFullRate;
    return static_cast<std::uint16_t>(std::clamp<std::uint64_t>(frames, 1, kFullFrames));
}

void SdlWaveOut::DeviceCloser::operator()(std::uint32_t* deviceId) const {
    SDL_CloseAudioDevice(*deviceId);
    delete deviceId;
}

SdlWaveOut::SdlWaveOut() : m_sdl(SdlAudioInit::Acquire()) {}

SdlWaveOut::~SdlWaveOut() {
    Close();
    if (m_closer.joinable()) {
        m_closer.join();
    }
}

MmResult SdlWaveOut::Query(const WaveFormatEx& format) {
    return IsPlayable(format) && m_sdl->Ok() ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

MmResult SdlWaveOut::Open(const WaveFormatEx& format, WaveOutCallback callback, void* instance) {
    if (m_device) {
        return MMSYSERR_ERROR;
    }
    if (!IsPlayable(format) || !m_sdl->Ok()) {
        return WAVERR_BADFORMAT;
    }
    m_playHead.store(0, std::memory_order_relaxed);
    m_playTail.store(0, std::memory_order_relaxed);
    m_playOffset = 0;
    m_starved = false;
    m_doneHead.store(0, std::memory_order_relaxed);
    m_doneTail.store(0, std::memory_order_relaxed);
    m_delivered.store(0, std::memory_order_relaxed);
    m_started.store(false, std::memory_order_relaxed);
    m_quit.store(false, std::memory_order_relaxed);
    m_callback = callback;
    m_instance = instance;

    SDL_AudioSpec want = SpecFor(format);
    want.callback = &SdlWaveOut::AudioCallback;
    want.userdata = this;
    // Devices open paused, so the callback does not run before the first Write.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, kAllowedChanges);
    if (id == 0) {
        return MMSYSERR_ERROR;
    }
    m_device.reset(new std::uint32_t(id));
    m_thread = std::thread(&SdlWaveOut::NotificationLoop, this);
    m_accepting.store(true, std::memory_order_release);
    return MMSYSERR_NOERROR;
}

MmResult SdlWaveOut::PrepareHeader(WaveHeader& header) {
    if (!m_device) {
        return MMSYSERR_INVALHANDLE;
    }
    return MarkPrepared(header);
}

MmResult SdlWaveOut::UnprepareHeader(WaveHeader& header) {
    if (!m_device) {
        return MMSYSERR_INVALHANDLE;
    }
    return MarkUnprepared(header);
}

MmResult SdlWaveOut::Write(WaveHeader& header) {
    if (!m_accepting.load(std::memory_order_acquire)) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    const std::uint32_t tail = m_playTail.load(std::memory_order_relaxed);
    if (tail - m_delivered.load(std::memory_order_acquire) >= kMaxQueued) {
        return MMSYSERR_ERROR;  // both rings are sized by this bound
    }
    header.dwFlags = (header.dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    m_playRing[tail % kMaxQueued] = &header;
    m_playTail.store(tail + 1, std::memory_order_release);  // publishes header and data
    if (!m_started.exchange(true, std::memory_order_acq_rel)) {
        SDL_PauseAudioDevice(*m_device, 0);
    }
    return MMSYSERR_NOERROR;
}

MmResult SdlWaveOut::Reset() {
    if (!m_device) {
        return MMSYSERR_INVALHANDLE;
    }
    const SDL_AudioDeviceID id = *m_device;
    // Once paused, SDL no longer calls the audio callback (it tests the pause
    // under the device lock), so the queue below is this thread's alone.
    SDL_PauseAudioDevice(id, 1);
    m_started.store(false, std::memory_order_relaxed);
    SDL_LockAudioDevice(id);
    std::uint32_t head = m_playHead.load(std::memory_order_relaxed);
    const std::uint32_t tail = m_playTail.load(std::memory_order_acquire);
    std::uint32_t doneTail = m_doneTail.load(std::memory_order_relaxed);
    for (; head != tail; ++head, ++doneTail) {
        m_doneRing[doneTail % kMaxQueued] = m_playRing[head % kMaxQueued];
    }
    m_playOffset = 0;
    m_starved = false;
    m_playHead.store(head, std::memory_order_release);
    m_doneTail.store(doneTail, std::memory_order_release);
    SDL_UnlockAudioDevice(id);
    Signal();
    // Every header that ever reached the done ring is reported exactly once.
    for (std::uint32_t delivered = m_delivered.load(std::memory_order_acquire);
         delivered != doneTail; delivered = m_delivered.load(std::memory_order_acquire)) {
        m_delivered.wait(delivered, std::memory_order_acquire);
    }
    return MMSYSERR_NOERROR;
}

MmResult SdlWaveOut::Close() {
    if (!m_device) {
        return MMSYSERR_INVALHANDLE;
    }
    m_accepting.store(false, std::memory_order_release);  // callbacks can no longer requeue
    Reset();
    m_quit.store(true, std::memory_order_release);
    Signal();
    m_thread.join();
    // SDL lets a closing device drain for two of its buffers (186 ms at 44100 Hz)
    // before it returns. The device is paused and done with this object, so that
    // wait runs on a thread of its own and a reopen need not sit through it.
    if (m_closer.joinable()) {
        m_closer.join();
    }
    m_closer = std::thread([device = std::move(m_device)]() mutable {
        device.reset();
        SDL_TLSCleanup();  // SDL keeps per-thread data for threads not its own
    });
    m_callback = nullptr;
    m_instance = nullptr;
    return MMSYSERR_NOERROR;
}

void SdlWaveOut::AudioCallback(void* userdata, std::uint8_t* stream, int length) {
    static_cast<SdlWaveOut*>(userdata)->Pump(stream, static_cast<std::size_t>(length));
}

void SdlWaveOut::Pump(std::uint8_t* stream, std::size_t length) {
    std::size_t filled = 0;
    bool finished = false;
    std::uint32_t head = m_playHead.load(std::memory_order_relaxed);
    while (filled < length && head != m_playTail.load(std::memory_order_acquire)) {
        WaveHeader* header = m_playRing[head % kMaxQueued];
        const std::size_t count =
            std::min<std::size_t>(header->dwBufferLength - m_playOffset, length - filled);
        std::memcpy(stream + filled, header->lpData + m_playOffset, count);
        filled += count;
        m_playOffset += count;
        if (m_playOffset == header->dwBufferLength) {
            m_playOffset = 0;
            m_playHead.store(++head, std::memory_order_release);
            const std::uint32_t doneTail = m_doneTail.load(std::memory_order_relaxed);
            m_doneRing[doneTail % kMaxQueued] = header;
            m_doneTail.store(doneTail + 1, std::memory_order_release);
            finished = true;
        }
    }
    // A shortfall is a gap only once written data follows it: a stream whose client
    // stops feeding it just before a Reset has merely ended early.
    if (filled > 0 && m_starved) {
        m_starved = false;
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    }
    if (filled < length) {
        std::memset(stream + filled, 0, length - filled);
        m_starved = true;
    }
    if (finished) {
        Signal();  // a futex wake: no lock, no allocation
    }
}

void SdlWaveOut::Signal() {
    m_signal.fetch_add(1, std::memory_order_release);
    m_signal.notify_one();
}

void SdlWaveOut::NotificationLoop() {
    for (;;) {
        const std::uint32_t seen = m_signal.load(std::memory_order_acquire);
        const bool quit = m_quit.load(std::memory_order_acquire);
        std::uint32_t head = m_doneHead.load(std::memory_order_relaxed);
        while (head != m_doneTail.load(std::memory_order_acquire)) {
            WaveHeader* header = m_doneRing[head % kMaxQueued];
            m_doneHead.store(++head, std::memory_order_release);
            header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            m_callback(this, WOM_DONE, m_instance, reinterpret_cast<std::uintptr_t>(header), 0);
            m_delivered.fetch_add(1, std::memory_order_release);
            m_delivered.notify_all();
        }
        if (quit) {
            return;
        }
        m_signal.wait(seen, std::memory_order_acquire);
    }
}
