// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the engine's tone through the SDL device for a number of seconds, the
// way the dialog does but without a window: 440 Hz, amplitude 8192, 44100 Hz or
// the rate given. Usage: play_tone [seconds [rate]]. Exit status 0 when the
// stream opened and closed, 2 when the device ran short of data.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "EngineHost.h"
#include "ToneEngine.h"
#include "waveout/SdlWaveOut.h"

namespace {

// No window: progress goes nowhere, and a refill still running at close is
// simply waited out.
class NoWindow final : public EngineHost {
  public:
    void SetProgressPos(int /*position*/) override {}
    void WaitForRefill() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
};

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    SdlWaveOut device;
    NoWindow host;
    ToneEngine engine(device, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    if (argc > 2) {
        engine.SetSampleRate(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    }
    if (!engine.OpenOutput()) {
        std::fputs("play_tone: no output device for this format\n", stderr);
        engine.CloseOutput();
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    engine.CloseOutput();
    engine.FreeBuffers();
    const auto underruns = device.UnderrunCount();
    if (underruns != 0) {
        std::fprintf(stderr, "play_tone: %llu audio callbacks ran short of data\n",
                     static_cast<unsigned long long>(underruns));
        return 2;
    }
    return 0;
}
