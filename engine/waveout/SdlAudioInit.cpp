#include "waveout/SdlAudioInit.h"

#include <SDL.h>

SdlAudioInit::SdlAudioInit() : m_ok(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}

SdlAudioInit::~SdlAudioInit() {
    if (m_ok) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

std::shared_ptr<const SdlAudioInit> SdlAudioInit::Acquire() {
    // Thread-safe one-time initialisation; the static holder keeps it for the run.
    static const std::shared_ptr<const SdlAudioInit> instance(new SdlAudioInit());
    return instance;
}
