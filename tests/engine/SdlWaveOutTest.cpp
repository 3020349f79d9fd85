// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL device under SDL's disk driver, whose clock runs in real time, at every
// rate a recording brings. Run in a process of its own: the driver is chosen
// once, at the first SDL initialisation.
#include "waveout/SdlWaveOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "TestHost.h"
#include "ToneEngine.h"

namespace {

using namespace std::chrono_literals;

// At every rate a recording may bring, each audio callback is served from the
// buffers the engine has queued: none runs short while the other buffer is
// being refilled. The rates play at once, each on a device of its own, so that
// the test takes the time of one. What is played is compared sample for sample
// at the sink by the end-to-end tests.
TEST(SdlWaveOut, TwentyRefillsWithoutAnUnderrunAtEveryRate) {
    constexpr std::uint32_t kRates[] = {8000,  11025, 16000, 22050, 32000,
                                        44100, 48000, 88200, 96000};
    struct Stream {
        SdlWaveOut sdl;
        TestHost host;
        ToneEngine engine{sdl, host};
    };
    std::array<Stream, std::size(kRates)> streams;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        streams[i].engine.AllocateBuffers();
        streams[i].engine.InitOscillator(440.0);
        streams[i].engine.SetSampleRate(kRates[i]);
        ASSERT_TRUE(streams[i].engine.OpenOutput()) << kRates[i];
    }
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::ranges::any_of(streams, [](auto& s) { return s.host.Progress().size() < 20; }) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    for (std::size_t i = 0; i < streams.size(); ++i) {
        streams[i].engine.CloseOutput();
        // One progress report a refill, after a buffer played out.
        EXPECT_GE(streams[i].host.Progress().size(), 20u) << kRates[i];
        EXPECT_EQ(streams[i].sdl.UnderrunCount(), 0u) << kRates[i];
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
