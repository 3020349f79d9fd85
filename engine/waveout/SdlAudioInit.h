// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <memory>

// SDL's audio subsystem, initialised once per process on first use and shut
// down when the last holder lets go (normally at exit). Holders keep it alive,
// so no device outlives the subsystem whatever the order of destruction.
// The initialisation (connecting to the sound server) runs on a thread of its
// own from the first Acquire, so the window can be built meanwhile; Ok waits
// for it.
class SdlAudioInit {
  public:
    static std::shared_ptr<const SdlAudioInit> Acquire();

    bool Ok() const { return m_ok.get(); }

    SdlAudioInit(const SdlAudioInit&) = delete;
    SdlAudioInit& operator=(const SdlAudioInit&) = delete;
    ~SdlAudioInit();

  private:
    SdlAudioInit();
    std::shared_future<bool> m_ok;
};
