#include "ToneEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "TestHost.h"
#include "waveout/VirtualWaveOut.h"

namespace {

constexpr double kTwoPi = Oscillator::kTwoPi;
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

// The ideal wave behind the fills: the oscillator starts one step past phase 0
// at 44100 Hz, and each buffer goes on from the phase the last one reached at
// its own frequency and rate.
std::vector<double> IdealTone(double initialHz, const Written& written,
                              const std::vector<double>& hzPerBuffer) {
    double theta = kTwoPi * initialHz / 44100.0;
    std::vector<double> ideal;
    for (std::size_t b = 0; b < written.size(); ++b) {
        const double step = kTwoPi * hzPerBuffer[b] / written[b].format.nSamplesPerSec;
        const std::size_t frames = written[b].values.size() / 2;
        for (std::size_t n = 1; n <= frames; ++n) {
            ideal.push_back(std::cos(theta + static_cast<double>(n) * step));
        }
        theta = std::fmod(theta + static_cast<double>(frames) * step, kTwoPi);
    }
    return ideal;
}

// Truncation toward zero stays within one unit of the ideal; a phase slip of
// a single sample would be off by hundreds.
void ExpectTone(const std::vector<int>& left, const std::vector<double>& ideal, int amplitude) {
    ASSERT_EQ(left.size(), ideal.size());
    for (std::size_t n = 0; n < left.size(); ++n) {
        ASSERT_LE(std::abs(left[n] - amplitude * ideal[n]), 1.0 + 1e-6) << "frame " << n;
    }
}

// The recording from the first right value on, then silence.
void ExpectRecording(const std::vector<int>& right, std::span<const std::int16_t> samples) {
    for (std::size_t j = 0; j < right.size(); ++j) {
        ASSERT_EQ(right[j], j < samples.size() ? samples[j] : 0) << "right value " << j;
    }
}

class ToneEngineTest : public ::testing::Test {
  protected:
    void Start(double hz, std::int32_t amplitude = 8192,
               std::span<const std::int16_t> recording = {}) {
        engine.AllocateBuffers();
        engine.InitOscillator(hz);
        engine.SetAmplitude(amplitude);
        engine.SetRecording(recording);
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

TEST_F(ToneEngineTest, SteadyToneIsOneContinuousSineWithSilentRight) {
    Start(440.0);
    Finish(30);
    const Written written = device.WrittenBuffers();
    ASSERT_EQ(written.size(), 32u);
    for (std::size_t b = 0; b < written.size(); ++b) {
        EXPECT_EQ(written[b].values.size(), 16384u);
        EXPECT_EQ(written[b].header, written[b % 2].header) << "buffers alternate";
    }
    EXPECT_NE(written[0].header, written[1].header);
    for (const int right : Channel(written, 1)) {
        ASSERT_EQ(right, 0);
    }
    ExpectTone(Channel(written, 0),
               IdealTone(440.0, written, std::vector<double>(written.size(), 440.0)), 8192);
}

// Frequency per buffer; the first two are the priming fills.
class RetuneTest : public ToneEngineTest,
                   public ::testing::WithParamInterface<std::vector<double>> {};

TEST_P(RetuneTest, WaveGoesOnWithoutAStep) {
    const std::vector<double>& hz = GetParam();
    constexpr int kAmplitude = 100 * 327;
    Start(hz[0], kAmplitude);
    for (std::size_t b = 2; b < hz.size(); ++b) {
        engine.SetFrequency(hz[b]);
        Finish(1);
    }
    const Written written = device.WrittenBuffers();
    ASSERT_EQ(written.size(), hz.size());
    const std::vector<int> left = Channel(written, 0);
    ExpectTone(left, IdealTone(hz[0], written, hz), kAmplitude);

    for (const int v : left) {
        ASSERT_LE(std::abs(v), kAmplitude) << "no value wraps";
    }
    // Across each boundary: no jump larger than the new frequency allows, and
    // the first new value goes on in the old wave's direction.
    for (std::size_t b = 1; b < hz.size(); ++b) {
        const std::size_t n = b * 8192;
        const double maxStep = kAmplitude * kTwoPi * hz[b] / 44100.0 + 2.0;
        EXPECT_LE(std::abs(left[n] - left[n - 1]), maxStep) << "buffer " << b;
        // (Unless the old wave is within a new step of its peak: then the new
        // wave may rightly pass the peak in one step.)
        const double oldStep = kTwoPi * hz[b - 1] / 44100.0;
        if (std::abs(left[n - 1] - left[n - 2]) >
            kAmplitude * oldStep * std::sin(kTwoPi * hz[b] / 44100.0) + 4.0) {
            EXPECT_EQ(left[n] > left[n - 1], left[n - 1] > left[n - 2]) << "buffer " << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Schedules, RetuneTest,
    ::testing::Values(std::vector<double>{440.0, 440.0, 440.1, 440.1, 440.0},
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
    EXPECT_EQ(written[4].format.nSamplesPerSec, 22050u);
    EXPECT_EQ(written[4].values.size(), 8192u);
    ExpectTone(Channel(written, 0), IdealTone(440.0, written, std::vector<double>(8, 440.0)), 8192);
}

TEST_F(ToneEngineTest, BufferLengthAndFormatFollowTheRate) {
    const struct {
        std::uint32_t rate;
        std::int32_t length;
    } cases[] = {{8000, 2972}, {11025, 4096}, {22050, 8192}, {44100, 16384}, {48000, 16384}};
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    for (const auto& c : cases) {
        engine.SetSampleRate(c.rate);
        ASSERT_TRUE(engine.OpenOutput());
        const Written written = device.WrittenBuffers();
        const VirtualWaveOut::Written& last = written.back();
        EXPECT_EQ(engine.BufferLength(), c.length) << c.rate;
        EXPECT_EQ(last.values.size(), static_cast<std::size_t>(c.length)) << c.rate;
        EXPECT_EQ(last.header->dwBufferLength, static_cast<std::uint32_t>(c.length) * 2);
        EXPECT_EQ(last.format, (WaveFormatEx{1, 2, c.rate, c.rate * 4, 4, 16, 0})) << c.rate;
        engine.CloseOutput();
    }
}

TEST_F(ToneEngineTest, ShortRecordingsEndInsideTheirFirstBuffer) {
    const std::vector<std::int16_t> three = {1000, -2000, 32767};
    for (const std::span<const std::int16_t> samples :
         {std::span<const std::int16_t>(three), std::span<const std::int16_t>()}) {
        Start(440.0, 8192, samples);
        engine.StartStopPlay();
        Finish(1);
        ExpectRecording(Channel({device.WrittenBuffers().back()}, 1), samples);
        EXPECT_FALSE(engine.FilePlaying());
        EXPECT_EQ(engine.FilePosition(), 0);
        EXPECT_EQ(host.Progress().back(), 0);
        engine.CloseOutput();
    }
}

TEST_F(ToneEngineTest, LongRecordingPlaysInOrderWithTruncatedProgress) {
    std::vector<std::int16_t> samples(3 * 8192 + 1);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i * 7 % 65521 - 32760);
    }
    Start(440.0, 8192, samples);
    engine.StartStopPlay();
    Finish(5);
    // 8192·100/24577 = 33.3, then 66.7 and 99.99: truncated, not rounded; then
    // the last sample ends playback and the bar goes back to 0.
    EXPECT_EQ(host.Progress(), (std::vector<int>{33, 66, 99, 0, 0}));
    const Written written = device.WrittenBuffers();
    ExpectRecording(Channel(Written(written.begin() + 2, written.end()), 1), samples);
    EXPECT_FALSE(engine.FilePlaying());

    // Stop then start again: the next buffer begins at the first sample.
    engine.StartStopPlay();
    Finish(1);
    engine.StartStopPlay();
    engine.StartStopPlay();
    EXPECT_TRUE(engine.FilePlaying());
    Finish(1);
    EXPECT_EQ(device.WrittenBuffers().back().values[1], samples[0]);
    EXPECT_EQ(engine.FilePosition(), 8192);
}

TEST_F(ToneEngineTest, OpenFailuresReturnFalseAndCloseStillCleansUp) {
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    device.RefuseQuery(true);
    EXPECT_FALSE(engine.OpenOutput());
    EXPECT_EQ(device.OpenCount(), 0);
    device.RefuseQuery(false);
    device.RefuseOpen(true);
    EXPECT_FALSE(engine.OpenOutput());
    EXPECT_FALSE(device.IsOpen());
    device.RefuseOpen(false);
    device.RefuseWrite(true);
    EXPECT_FALSE(engine.OpenOutput());
    EXPECT_TRUE(device.IsOpen());  // undone only by the next close
    engine.CloseOutput();
    EXPECT_FALSE(device.IsOpen());
    device.RefuseWrite(false);
    EXPECT_TRUE(engine.OpenOutput());
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

TEST_F(ToneEngineTest, CloseWaitsOutARefillBlockedInItsProgressUpdate) {
    Start(440.0);
    host.BlockProgress();
    ASSERT_TRUE(device.FinishNext(false));
    host.WaitUntilProgressBlocked();
    engine.CloseOutput();
    EXPECT_GE(host.WaitCalls(), 1);
    EXPECT_TRUE(host.ProgressBlockedAtFirstWait());
    EXPECT_EQ(host.Refills(), 1) << "the refill finished before CloseOutput returned";
    EXPECT_EQ(device.WriteCount(), 3u);
    EXPECT_FALSE(device.IsOpen());
}

TEST_F(ToneEngineTest, CloseWithNoRefillRunningNeverWaitsAndRefillsNothingMore) {
    Start(440.0);
    Finish(3);
    engine.CloseOutput();
    EXPECT_EQ(host.WaitCalls(), 0);
    EXPECT_EQ(device.WriteCount(), 5u);  // the buffers the reset returned were not refilled
    EXPECT_EQ(device.QueuedCount(), 0u);
    EXPECT_FALSE(device.IsOpen());
}

}  // namespace
