// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneEngine.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "TestHost.h"
#include "waveout/VirtualWaveOut.h"

namespace {

class ToneEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.AllocateBuffers();
        engine.InitOscillator(440.0);
    }

    VirtualWaveOut device;
    TestHost host;
    ToneEngine engine{device, host};
};

TEST_F(ToneEngineTest, BufferLengthAndFormatFollowTheRate) {
    const std::pair<std::uint32_t, std::size_t> cases[] = {
        {8000, 2972}, {11025, 4096}, {22050, 8192}, {44100, 16384}, {48000, 16384}};
    for (const auto& [rate, length] : cases) {
        engine.SetSampleRate(rate);
        ASSERT_TRUE(engine.OpenOutput());
        const VirtualWaveOut::Written last = device.WrittenBuffers().back();
        EXPECT_EQ(last.values.size(), length) << rate;
        EXPECT_EQ(last.format, (WaveFormatEx{1, 2, rate, rate * 4, 4, 16, 0})) << rate;
        engine.CloseOutput();
    }
}

TEST_F(ToneEngineTest, NotificationsBeforeTheFirstOpenOrOfOtherKindsRefillNothing) {
    ToneEngine::WaveOutProc(&device, WOM_DONE, &engine, 0, 0);  // never opened: stopped
    ASSERT_TRUE(engine.OpenOutput());
    ToneEngine::WaveOutProc(&device, WOM_DONE, nullptr, 0, 0);
    ToneEngine::WaveOutProc(&device, WOM_CLOSE, &engine, 0, 0);
    EXPECT_EQ(device.WriteCount(), 2u);
    EXPECT_TRUE(host.Progress().empty());
}

}  // namespace
