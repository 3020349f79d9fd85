#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "TestHost.h"
#include "ToneEngine.h"
#include "waveout/VirtualWaveOut.h"

namespace {

using Written = std::vector<VirtualWaveOut::Written>;

// Every second value from `first` on, over the buffers from `from` on.
std::vector<int> Channel(const Written& written, int first, std::size_t from = 0) {
    std::vector<int> values;
    for (std::size_t b = from; b < written.size(); ++b) {
        const auto& buffer = written[b].values;
        for (std::size_t i = static_cast<std::size_t>(first); i < buffer.size(); i += 2) {
            values.push_back(buffer[i]);
        }
    }
    return values;
}

// Distinct values that never repeat within a recording, so a seam that drops or
// repeats a sample shows.
std::vector<std::int16_t> Ramp(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(i % 30000 + 1);
    }
    return samples;
}

struct Options {
    bool loop = false;
    bool bothEars = false;
};

// One engine over the virtual device: the tone at `hz` and `amplitude`, the
// recording playing from the first refill on, `buffers` refills with the
// frequency and amplitude changed between some of them.
Written Stream(const std::vector<std::int16_t>& recording, Options options, int buffers,
               std::int32_t amplitude = 8192, std::vector<int>* progress = nullptr) {
    VirtualWaveOut device;
    TestHost host;
    ToneEngine engine(device, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetAmplitude(amplitude);
    engine.SetRecording(recording);
    engine.SetLoop(options.loop);
    engine.SetBothEars(options.bothEars);
    EXPECT_TRUE(engine.OpenOutput());
    engine.StartStopPlay();
    for (int b = 0; b < buffers; ++b) {
        if (b == 3) {
            engine.SetFrequency(1234.5);
        }
        if (b == 5) {
            engine.SetAmplitude(amplitude / 2);
        }
        EXPECT_TRUE(device.FinishNext());
    }
    engine.CloseOutput();
    if (progress != nullptr) {
        *progress = host.Progress();
    }
    return device.WrittenBuffers();
}

// The stream with both options off, as the fill makes it: the oscillator's
// values at the amplitude, truncated toward zero, on the left; the recording
// once, then silence, on the right.
Written Model(const std::vector<std::int16_t>& recording, int buffers, std::int32_t amplitude) {
    Written model;
    Oscillator oscillator = Oscillator::Start(440.0, 44100.0);
    std::size_t position = 0;
    double hz = 440.0;
    for (int b = 0; b < buffers + 2; ++b) {
        if (b == 5) {
            hz = 1234.5;
        }
        const std::int32_t level = b >= 7 ? amplitude / 2 : amplitude;
        if (b == 0 || b == 5) {
            oscillator.Retune(Oscillator::kTwoPi * hz / 44100.0);
        }
        VirtualWaveOut::Written buffer;
        for (int i = 0; i < 8192; ++i) {
            const auto wide = static_cast<std::int64_t>(level * oscillator.Next());
            buffer.values.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(wide)));
            const bool playing = b >= 2 && position < recording.size();
            buffer.values.push_back(playing ? recording[position++] : std::int16_t{0});
        }
        model.push_back(std::move(buffer));
    }
    return model;
}

TEST(ListeningMix, BothOffIsTheToneLeftAndTheRecordingOnceRight) {
    const std::vector<std::int16_t> recording = Ramp(2 * 8192 + 77);
    for (const std::int32_t amplitude : {8192, 100 * 327}) {
        const Written written = Stream(recording, {}, 8, amplitude);
        const Written model = Model(recording, 8, amplitude);
        ASSERT_EQ(written.size(), model.size());
        for (std::size_t b = 0; b < written.size(); ++b) {
            ASSERT_EQ(written[b].values, model[b].values) << "buffer " << b << " at " << amplitude;
        }
    }
}

TEST(ListeningMix, LoopRestartsAtTheFirstSampleWithoutAGap) {
    // Shorter than a buffer (many seams in one buffer), longer than two (a seam
    // inside the third), and one ending exactly on a buffer's end.
    for (const std::size_t count :
         {std::size_t{1000}, std::size_t{2 * 8192 + 77}, std::size_t{8192}}) {
        const std::vector<std::int16_t> recording = Ramp(count);
        std::vector<int> progress;
        const Written written = Stream(recording, {.loop = true}, 6, 8192, &progress);
        // The refills after the priming ones, up to the close: the recording
        // over and over, the sample after the last being the first.
        const std::vector<int> right = Channel(written, 1, 2);
        ASSERT_GE(right.size(), 6u * 8192u);
        for (std::size_t n = 0; n < 6u * 8192u; ++n) {
            ASSERT_EQ(right[n], recording[n % count]) << "count " << count << ", frame " << n;
        }
        // Progress follows each pass: it goes back when a pass begins again.
        for (std::size_t r = 0; r < progress.size(); ++r) {
            const std::size_t played = (r + 1) * 8192 % count;
            EXPECT_EQ(progress[r], static_cast<int>(played * 100 / count)) << count << " #" << r;
        }
    }
}

TEST(ListeningMix, LoopEndsOnStartStopAndOnClose) {
    VirtualWaveOut device;
    TestHost host;
    ToneEngine engine(device, host);
    const std::vector<std::int16_t> recording = Ramp(300);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetRecording(recording);
    engine.SetLoop(true);
    ASSERT_TRUE(engine.OpenOutput());
    engine.StartStopPlay();
    ASSERT_TRUE(device.FinishNext());
    engine.StartStopPlay();  // stop
    ASSERT_TRUE(device.FinishNext());
    const std::vector<int> stopped = Channel({device.WrittenBuffers().back()}, 1);
    EXPECT_TRUE(std::all_of(stopped.begin(), stopped.end(), [](int v) { return v == 0; }));

    engine.StartStopPlay();
    ASSERT_TRUE(device.FinishNext());
    EXPECT_TRUE(engine.FilePlaying());
    engine.CloseOutput();  // as a load or EXIT does
    EXPECT_FALSE(engine.FilePlaying());
}

TEST(ListeningMix, BothEarsAddsToneAndRecordingInEachEarAndSaturates) {
    // Full volume and samples at both 16-bit limits: sums far past either end.
    std::vector<std::int16_t> recording = Ramp(3 * 8192);
    for (std::size_t i = 0; i < recording.size(); i += 3) {
        recording[i] = static_cast<std::int16_t>(i % 2 == 0 ? 32767 : -32768);
    }
    constexpr std::int32_t kAmplitude = 100 * 327;
    const Written apart = Stream(recording, {}, 8, kAmplitude);
    const Written both = Stream(recording, {.bothEars = true}, 8, kAmplitude);
    ASSERT_EQ(apart.size(), both.size());
    int clampedHigh = 0;
    int clampedLow = 0;
    for (std::size_t b = 0; b < both.size(); ++b) {
        for (std::size_t i = 0; i < both[b].values.size(); i += 2) {
            const int sum = apart[b].values[i] + apart[b].values[i + 1];
            const int expected = std::clamp(sum, -32768, 32767);
            ASSERT_EQ(both[b].values[i], expected) << "left, buffer " << b << " value " << i;
            ASSERT_EQ(both[b].values[i + 1], expected) << "right, buffer " << b << " value " << i;
            clampedHigh += sum > 32767;
            clampedLow += sum < -32768;
        }
    }
    EXPECT_GT(clampedHigh, 100);
    EXPECT_GT(clampedLow, 100);
}

}  // namespace
