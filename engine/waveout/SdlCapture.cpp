// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SdlCapture.h"

#include <SDL.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

SDL_AudioSpec WantedFormat(int rate) {
    SDL_AudioSpec format{};
    format.freq = rate;
    format.format = AUDIO_S16SYS;
    format.channels = 1;
    format.samples = SdlCapture::DeviceFrames(rate);
    return format;
}

// SDL converts channels and sample format itself; the rate it may leave at the
// device's own, which saves a resampling where the device has a usable one.
constexpr int kCaptureChanges = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE;

std::string OpenFailure() {
    if (SDL_GetNumAudioDevices(1) <= 0) {
        return "No input device was found: connect a microphone and try again.";
    }
    return std::string("The input device could not be opened: ") + SDL_GetError();
}

}  // namespace

void SdlCapture::DeviceCloser::operator()(std::uint32_t* deviceId) const {
    SDL_CloseAudioDevice(*deviceId);
    delete deviceId;
}

SdlCapture::ReadyFd::ReadyFd() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SdlCapture::ReadyFd::~ReadyFd() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void SdlCapture::ReadyFd::Signal() const {
    if (m_fd >= 0) {
        (void)::eventfd_write(m_fd, 1);  // fails only at a count no window leaves
    }
}

void SdlCapture::ReadyFd::Clear() const {
    eventfd_t count = 0;
    if (m_fd >= 0) {
        (void)::eventfd_read(m_fd, &count);  // EAGAIN when already empty
    }
}

SdlCapture::SdlCapture() = default;

SdlCapture::~SdlCapture() {
    Stop();
}

std::string SdlCapture::Start() {
    Stop();
    // SDL starts with the first recording, not with the program.
    if (!m_sdl) {
        m_sdl = SdlAudioInit::Acquire();
    }
    if (!m_sdl->Ok()) {
        return "No input device: the sound system could not be started.";
    }
    int rate = 0;
    SDL_AudioDeviceID id = Open(kPreferredRate, true, rate);
    if (id != 0 && rate != kPreferredRate && rate >= kLowestRate) {
        // Again at the device's own rate, for a buffer of a twentieth of a
        // second at that rate too.
        SDL_CloseAudioDevice(id);
        id = Open(rate, false, rate);
    }
    if (id == 0) {
        return OpenFailure();
    }
    m_device.reset(new std::uint32_t(id));
    if (rate < kLowestRate) {
        m_device.reset();
        return "The input device records at " + std::to_string(rate) + " Hz only; a bell needs " +
               std::to_string(kLowestRate) + " Hz or more.";
    }
    m_rate = static_cast<std::uint32_t>(rate);
    m_overruns.store(0, std::memory_order_relaxed);
    m_lastSamples = std::chrono::steady_clock::now();
    SDL_PauseAudioDevice(id, 0);
    return {};
}

std::uint32_t SdlCapture::Open(int rate, bool allowChange, int& openedRate) {
    SDL_AudioSpec want = WantedFormat(rate);
    want.callback = &SdlCapture::CaptureCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(nullptr, 1, &want, &have, allowChange ? kCaptureChanges : 0);
    openedRate = have.freq;
    return id;
}

std::size_t SdlCapture::Read(std::span<std::int16_t> out) {
    // Cleared before the queue is read: a block pushed meanwhile signals again.
    m_ready.Clear();
    const std::size_t count = m_queue.Pop(out);
    if (count > 0) {
        m_lastSamples = std::chrono::steady_clock::now();
    }
    return count;
}

std::string SdlCapture::Fault() {
    if (!m_device) {
        return {};
    }
    // SDL marks a device that went away as stopped; a sound server that stalls
    // just stops calling back.
    if (SDL_GetAudioDeviceStatus(*m_device) == SDL_AUDIO_STOPPED ||
        std::chrono::steady_clock::now() - m_lastSamples > kSilentDeviceLimit) {
        return "The input device was lost while recording.";
    }
    return {};
}

void SdlCapture::Stop() {
    if (!m_device) {
        return;
    }
    // Closing joins SDL's audio thread: no callback runs after it.
    m_device.reset();
    m_queue.Clear();
    m_ready.Clear();
}

void SdlCapture::CaptureCallback(void* userdata, std::uint8_t* stream, int length) {
    auto* self = static_cast<SdlCapture*>(userdata);
    const std::span samples(reinterpret_cast<const std::int16_t*>(stream),
                            static_cast<std::size_t>(length) / sizeof(std::int16_t));
    if (self->m_queue.Push(samples) < samples.size()) {
        self->m_overruns.fetch_add(1, std::memory_order_relaxed);
    }
    self->m_ready.Signal();
}
