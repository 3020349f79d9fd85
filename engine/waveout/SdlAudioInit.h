#pragma once

#include <memory>

// SDL's audio subsystem, initialised once per process on first use and shut
// down when the last holder lets go (normally at exit). Holders keep it alive,
// so no device outlives the subsystem whatever the order of destruction.
class SdlAudioInit {
  public:
    static std::shared_ptr<const SdlAudioInit> Acquire();

    bool Ok() const { return m_ok; }

    SdlAudioInit(const SdlAudioInit&) = delete;
    SdlAudioInit& operator=(const SdlAudioInit&) = delete;
    ~SdlAudioInit();

  private:
    SdlAudioInit();
    bool m_ok = false;
};
