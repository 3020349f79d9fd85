// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "TestHost.h"
#include "ToneEngine.h"
#include "waveout/VirtualWaveOut.h"

namespace {

// The window thread opens and closes the stream while the device finishes
// buffers as fast as it can and a third thread moves the frequency and toggles
// playback. Nothing may deadlock, race (run under ThreadSanitizer) or turn the
// oscillator into NaN.
TEST(ToneEngineStress, ThousandOpenCloseCyclesUnderRetuningAndPlayback) {
    VirtualWaveOut device;
    device.KeepWrites(false);
    TestHost host;
    ToneEngine engine(device, host);
    std::vector<std::int16_t> recording(5000, 1234);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetRecording(recording);

    std::atomic<bool> done{false};
    std::thread player([&] {
        while (!done.load(std::memory_order_relaxed)) {
            if (!device.FinishNext(false)) {
                std::this_thread::yield();
            }
        }
    });
    std::thread tuner([&] {
        for (int i = 0; !done.load(std::memory_order_relaxed); ++i) {
            engine.SetFrequency(100.0 + (i * 37 % 14001) / 10.0);
            engine.SetAmplitude(i % 101 * 327);
            if (i % 7 == 0) {
                engine.StartStopPlay();
            }
            std::this_thread::yield();
        }
    });

    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_TRUE(engine.OpenOutput());
        const std::size_t primed = device.WriteCount();
        for (int spin = 0; spin < 20 && device.WriteCount() < primed + 2; ++spin) {
            std::this_thread::yield();
        }
        engine.CloseOutput();
    }
    done.store(true);
    player.join();
    tuner.join();

    EXPECT_FALSE(host.Progress().empty());
    EXPECT_TRUE(std::isfinite(engine.OscillatorState().Y1()));
    EXPECT_TRUE(std::isfinite(engine.OscillatorState().Y2()));

    // And the tone still sounds at full amplitude.
    device.KeepWrites(true);
    engine.SetAmplitude(8192);
    engine.SetFrequency(440.0);
    ASSERT_TRUE(engine.OpenOutput());
    int peak = 0;
    const auto written = device.WrittenBuffers();
    for (const std::int16_t v : written.back().values) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    EXPECT_GE(peak, 8180);
    EXPECT_LE(peak, 8192);
    engine.CloseOutput();
}

}  // namespace
