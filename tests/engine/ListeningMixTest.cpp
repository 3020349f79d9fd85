// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Ramp.h"
#include "TestHost.h"
#include "ToneEngine.h"
#include "waveout/VirtualWaveOut.h"

namespace {

// Every value the stream wrote, buffer after buffer, playing the recording from
// the first refill on; with progress, the progress of each refill.
std::vector<int> Stream(const std::vector<std::int16_t>& recording, bool loop, bool bothEars,
                        int refills, std::int32_t amplitude, std::vector<int>* progress = nullptr) {
    VirtualWaveOut device;
    TestHost host;
    ToneEngine engine(device, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    engine.SetAmplitude(amplitude);
    engine.SetRecording(recording);
    engine.SetLoop(loop);
    engine.SetBothEars(bothEars);
    EXPECT_TRUE(engine.OpenOutput());
    engine.StartStopPlay();
    for (int b = 0; b < refills; ++b) {
        EXPECT_TRUE(device.FinishNext());
    }
    engine.CloseOutput();
    if (progress != nullptr) {
        *progress = host.Progress();
    }
    std::vector<int> values;
    for (const auto& written : device.WrittenBuffers()) {
        values.insert(values.end(), written.values.begin(), written.values.end());
    }
    return values;
}

TEST(ListeningMix, LoopRestartsAtTheFirstSampleInsideTheBufferWithoutAGap) {
    // Shorter than a buffer, longer than two, and ending right on a buffer's end.
    for (const std::size_t count :
         {std::size_t{1000}, std::size_t{2 * 8192 + 77}, std::size_t{8192}}) {
        const std::vector<std::int16_t> recording = Ramp(count);
        std::vector<int> progress;
        const std::vector<int> values = Stream(recording, true, false, 6, 8192, &progress);
        for (std::size_t n = 0; n < 6 * 8192; ++n) {
            ASSERT_EQ(values[2 * (2 * 8192 + n) + 1], recording[n % count]) << count << " @" << n;
        }
        for (std::size_t r = 0; r < progress.size(); ++r) {  // each pass from 0 again
            EXPECT_EQ(progress[r], static_cast<int>((r + 1) * 8192 % count * 100 / count));
        }
    }
}

TEST(ListeningMix, BothEarsAddsToneAndRecordingInEachEarClampedAtBothLimits) {
    std::vector<std::int16_t> recording = Ramp(3 * 8192);
    for (std::size_t i = 0; i < recording.size(); i += 3) {
        recording[i] = static_cast<std::int16_t>(i % 2 == 0 ? 32767 : -32768);
    }
    const std::vector<int> apart = Stream(recording, false, false, 6, 100 * 327);
    const std::vector<int> both = Stream(recording, false, true, 6, 100 * 327);
    ASSERT_EQ(apart.size(), both.size());
    int high = 0;
    int low = 0;
    for (std::size_t i = 0; i < both.size(); i += 2) {
        const int sum = apart[i] + apart[i + 1];
        ASSERT_EQ(both[i], std::clamp(sum, -32768, 32767)) << "left " << i;
        ASSERT_EQ(both[i + 1], both[i]) << "right " << i;
        high += sum > 32767;
        low += sum < -32768;
    }
    EXPECT_GT(high, 100);
    EXPECT_GT(low, 100);
}

}  // namespace
