// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SdlAudioInit.h"

#include <SDL.h>

namespace {

// SDL would otherwise install SIGINT/SIGTERM handlers that only queue an SDL
// quit event, which nobody reads here: the program must end on those signals
// as any desktop program does.
bool InitAudio() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    // This runs on a thread of its own, which SDL does not know to clean up.
    SDL_TLSCleanup();
    return ok;
}

}  // namespace

SdlAudioInit::SdlAudioInit() : m_ok(std::async(std::launch::async, InitAudio).share()) {}

SdlAudioInit::~SdlAudioInit() {
    if (m_ok.get()) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

std::shared_ptr<const SdlAudioInit> SdlAudioInit::Acquire() {
    // Thread-safe one-time initialisation; the static holder keeps it for the run.
    static const std::shared_ptr<const SdlAudioInit> instance(new SdlAudioInit());
    return instance;
}
