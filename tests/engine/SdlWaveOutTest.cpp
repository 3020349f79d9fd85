// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL device under SDL's disk driver, whose clock runs in real time: every
// rate a recording brings, and a close while a notification is busy. Run in a
// process of its own: the driver is chosen once, at the first SDL initialisation.
#include "waveout/SdlWaveOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "ToneEngine.h"

namespace {

using namespace std::chrono_literals;

// At every rate a recording may bring, each audio callback is served from the
// buffers the engine has queued: none runs short while the other buffer is
// being refilled. What is played is compared sample for sample at the sink by
// the end-to-end tests.
class SdlWaveOutAtRate : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(SdlWaveOutAtRate, TwentyRefillsWithoutAnUnderrun) {
    SdlWaveOut sdl;
    TestHost host;
    ToneEngine engine(sdl, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetSampleRate(GetParam());
    ASSERT_TRUE(engine.OpenOutput());
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (host.Progress().size() < 20 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    engine.CloseOutput();
    EXPECT_GE(host.Progress().size(), 20u);  // one a refill, after a buffer played out
    EXPECT_EQ(sdl.UnderrunCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, SdlWaveOutAtRate,
                         ::testing::Values(8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u,
                                           88200u, 96000u));

TEST(SdlWaveOut, CloseWaitsForABusyNotificationAndReturnsEverythingInOrder) {
    ::setenv("SDL_DISKAUDIODELAY", "1", 1);
    SdlWaveOut sdl;
    struct Log {
        std::mutex mutex;
        std::vector<WaveHeader*> done;
        std::atomic<bool> entered{false};
    } log;
    const WaveOutCallback slow = [](WaveOut*, std::uint32_t message, void* instance,
                                    std::uintptr_t header, std::uintptr_t) {
        auto& l = *static_cast<Log*>(instance);
        if (message != WOM_DONE) {
            return;
        }
        l.entered.store(true);
        std::this_thread::sleep_for(200ms);
        std::lock_guard lock(l.mutex);
        l.done.push_back(reinterpret_cast<WaveHeader*>(header));
    };
    WaveFormatEx format{1, 2, 44100, 44100 * 4, 4, 16, 0};
    ASSERT_EQ(sdl.Open(format, slow, &log), MMSYSERR_NOERROR);

    std::vector<std::int16_t> data(4 * 512, 100);
    WaveHeader headers[4];
    for (int i = 0; i < 4; ++i) {
        headers[i].lpData = reinterpret_cast<char*>(data.data() + i * 512);
        headers[i].dwBufferLength = 1024;
        ASSERT_EQ(sdl.Write(headers[i]), WAVERR_UNPREPARED);
        ASSERT_EQ(sdl.PrepareHeader(headers[i]), MMSYSERR_NOERROR);
        ASSERT_EQ(sdl.Write(headers[i]), MMSYSERR_NOERROR);
    }
    while (!log.entered.load()) {
        std::this_thread::sleep_for(1ms);
    }
    auto closing = std::async(std::launch::async, [&] { return sdl.Close(); });
    ASSERT_EQ(closing.wait_for(5s), std::future_status::ready) << "Close hangs";
    EXPECT_EQ(closing.get(), MMSYSERR_NOERROR);

    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.done.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(log.done[static_cast<std::size_t>(i)], &headers[i]);
        EXPECT_EQ(headers[i].dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_EQ(sdl.Write(headers[0]), MMSYSERR_INVALHANDLE);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
