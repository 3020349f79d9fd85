// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL device under SDL's disk driver, whose clock runs in real time: every
// rate a recording brings, and a close while a notification is busy. Run in a
// process of its own: the driver is chosen once, at the first SDL initialisation.
#include "waveout/SdlWaveOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
