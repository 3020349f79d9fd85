// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "TestHost.h"
#include "waveout/VirtualWaveOut.h"

namespace {

using Written = std::vector<VirtualWaveOut::Written>;

// Every second value from `first` on, over all buffers in the order written.
std::vector<int> Channel(const Written& written, int first) {
    std::vector<int> values;
    for (const auto& buffer : written) {
        for (std::size_t i = static_cast<std::size_t>(first); i < buffer.values.size(); i += 2) {
            values.push_back(buffer.values[i]);
        }
    }
    return values;
}

// The ideal wave behind the fills: the oscillator starts one step past phase 0 at
// 44100 Hz, and each buffer goes on from the phase the last one reached at its own
// frequency and rate. Truncation stays within one unit of amplitude·ideal; a phase
// slip of a single sample would be off by hundreds.
void ExpectTone(const Written& written, const std::vector<double>& hz, int amplitude) {
    double theta = Oscillator::kTwoPi * hz[0] / 44100.0;
    const std::vector<int> left = Channel(written, 0);
    std::size_t n = 0;
    for (std::size_t b = 0; b < written.size(); ++b) {
        const double step = Oscillator::kTwoPi * hz[b] / written[b].format.nSamplesPerSec;
        const int frames = static_cast<int>(written[b].values.size() / 2);
        for (int i = 1; i <= frames; ++i, ++n) {
            ASSERT_LE(std::abs(left[n] - amplitude * std::cos(theta + i * step)), 1.0 + 1e-6)
                << "buffer " << b << ", frame " << n;
        }
        theta = std::fmod(theta + frames * step, Oscillator::kTwoPi);
    }
}

class ToneEngineTest : public ::testing::Test {
  protected:
    void Start(double hz, std::int32_t amplitude = 8192) {
        engine.AllocateBuffers();
        engine.InitOscillator(hz);
        engine.SetAmplitude(amplitude);
        ASSERT_TRUE(engine.OpenOutput());
    }
    void Finish(int buffers) {
        for (int i = 0; i < buffers; ++i) {
            ASSERT_TRUE(device.FinishNext());
        }
    }

    VirtualWaveOut device;
    TestHost host;
    ToneEngine engine{device, host};
};

// Frequency per buffer; the first two are the priming fills.
class RetuneTest : public ToneEngineTest,
                   public ::testing::WithParamInterface<std::vector<double>> {};

TEST_P(RetuneTest, TheWaveGoesOnInPhaseInBothBuffersWithTheRightSilent) {
    const std::vector<double>& hz = GetParam();
    Start(hz[0], 100 * 327);
    for (std::size_t b = 2; b < hz.size(); ++b) {
        engine.SetFrequency(hz[b]);
        Finish(1);
    }
    const Written written = device.WrittenBuffers();
    ASSERT_EQ(written.size(), hz.size());
    for (std::size_t b = 0; b < written.size(); ++b) {
        ASSERT_EQ(written[b].values.size(), 16384u);
        EXPECT_EQ(written[b].header, written[b % 2].header) << "buffers alternate";
    }
    EXPECT_NE(written[0].header, written[1].header);
    for (const int right : Channel(written, 1)) {
        ASSERT_EQ(right, 0);
    }
    ExpectTone(written, hz, 100 * 327);
}

INSTANTIATE_TEST_SUITE_P(
    Schedules, RetuneTest,
    ::testing::Values(std::vector<double>(12, 440.0),
                      std::vector<double>{440.0, 440.0, 440.1, 440.1, 440.0},
                      std::vector<double>{100.0, 100.0, 1500.0, 1500.0, 100.0, 100.0},
                      std::vector<double>{1500.0, 1500.0, 100.0, 100.1, 1499.9, 777.7, 440.0}));

TEST_F(ToneEngineTest, ReopeningAtAnotherRateKeepsTheToneAndItsPhase) {
    Start(440.0);
    Finish(2);
    engine.CloseOutput();
    engine.SetSampleRate(22050);
    engine.RequestRetune();
    ASSERT_TRUE(engine.OpenOutput());
    Finish(2);
    const Written written = device.WrittenBuffers();
    ASSERT_EQ(written.size(), 8u);  // the two buffers cut short by the close were filled too
    ExpectTone(written, std::vector<double>(8, 440.0), 8192);
}

TEST_F(ToneEngineTest, BufferLengthAndFormatFollowTheRate) {
    const std::pair<std::uint32_t, std::size_t> cases[] = {
        {8000, 2972}, {11025, 4096}, {22050, 8192}, {44100, 16384}, {48000, 16384}};
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
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
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    ToneEngine::WaveOutProc(&device, WOM_DONE, &engine, 0, 0);  // never opened: stopped
    ASSERT_TRUE(engine.OpenOutput());
    ToneEngine::WaveOutProc(&device, WOM_DONE, nullptr, 0, 0);
    ToneEngine::WaveOutProc(&device, WOM_CLOSE, &engine, 0, 0);
    EXPECT_EQ(device.WriteCount(), 2u);
    EXPECT_TRUE(host.Progress().empty());
}

}  // namespace
