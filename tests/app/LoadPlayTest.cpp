// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QProgressBar>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "DialogHarness.h"
#include "TestBytes.h"

namespace {

// Distinct, recognisable samples: 1, 2, 3, ...
std::vector<std::int16_t> Ramp(int count) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i % 30000 + 1);
    }
    return samples;
}

class LoadPlay : public testing::Test {
  protected:
    // Writes a 16-bit mono PCM WAV file with these samples (unless it is to be
    // missing), then presses Read Waveform with the file dialog answering its path.
    void Load(const char* name, std::uint32_t rate = 44100, int samples = 100) {
        const std::string path = (dir.Path() / name).string();
        if (std::string(name).find("missing") == std::string::npos) {
            dir.Write(name,
                      PcmWave({.channels = 1, .rate = rate, .byteRate = rate * 2, .blockAlign = 2},
                              S16(Ramp(samples))));
        }
        h.prompter.answers.push_back(path);
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
    }
    void PressStartStop() { QTest::mouseClick(h.item(IDC_START_STOP), Qt::LeftButton); }
    std::uint32_t LastRate() const {
        return h.device.WrittenBuffers().back().format.nSamplesPerSec;
    }

    TempDir dir;
    DialogHarness h;
};

TEST_F(LoadPlay, A22050HzRecordingRunsTheStreamAtItsRateAndTheToneKeepsItsPitch) {
    Load("low.wav", 22050, 30000);
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_EQ(h.Text(IDC_FILENAME), "low.wav");
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    h.FinishBuffer();
    EXPECT_EQ(LastRate(), 22050u);
    EXPECT_EQ(h.Last().size(), 4096u);
    EXPECT_NEAR(EstimateFrequency(h.Last(), 22050.0), 440.0, 0.01);
    EXPECT_EQ(PeakOf(h.Last(1)), 0);  // not playing until pressed
}

struct BadLoad {
    const char* name;
    const char* message;
};

class FailedLoad : public LoadPlay, public testing::WithParamInterface<BadLoad> {};

// After a good load: the message, play disabled, the name and the rate kept, and
// the stream open again with nothing to play on the right.
TEST_P(FailedLoad, ReportsItsMessageAndKeepsTheNameAndRate) {
    Load("good.wav", 22050);
    ASSERT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    Load(GetParam().name);  // a good WAV, refused by its name
    EXPECT_EQ(h.prompter.messages, std::vector<std::string>{GetParam().message});
    EXPECT_EQ(h.prompter.titles, std::vector<std::string>{"app_tests"});  // the executable
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.Text(IDC_FILENAME), "good.wav");
    EXPECT_EQ(h.device.OpenCount(), 3);
    EXPECT_EQ(LastRate(), 22050u);
    PressStartStop();  // disabled: nothing happens
    EXPECT_FALSE(h.dialog->Engine().FilePlaying());
}

INSTANTIATE_TEST_SUITE_P(Dialog, FailedLoad,
                         testing::Values(BadLoad{"bell.Wav", "Not a valid .wav file!"},
                                         BadLoad{"bell", "Not a valid .wav file!"},
                                         BadLoad{"missing.wav", "Failed to open file!"}),
                         [](const testing::TestParamInfo<BadLoad>& p) {
                             std::string name = p.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// Played in the right ear at full scale whatever the volume, with the progress bar
// following (8192 frames a buffer of 20000: 40 %, 81 %, then back to 0); two quick
// presses stop it and start it again from its first sample.
TEST_F(LoadPlay, PlaysOnTheRightWithProgressAndRestartsFromTheFirstSample) {
    const auto samples = Ramp(20000);
    Load("ramp.wav", 44100, 20000);
    QTest::keyClick(h.trackbar(), Qt::Key_Home);
    auto* progress = h.itemAs<QProgressBar>(IDC_PROGRESS);
    std::vector<int> shown;
    PressStartStop();
    h.FinishBuffer();
    shown.push_back(progress->value());
    PressStartStop();
    PressStartStop();
    EXPECT_EQ(h.dialog->Engine().FilePosition(), 0);
    for (int i = 0; i < 3; ++i) {
        h.FinishBuffer();
        shown.push_back(progress->value());
        if (i == 0) {
            const auto right = h.Last(1);
            EXPECT_TRUE(std::equal(right.begin(), right.end(), samples.begin()));
            EXPECT_EQ(PeakOf(h.Last()), 0);
        }
    }
    EXPECT_EQ(shown, (std::vector<int>{40, 40, 81, 0}));
    EXPECT_FALSE(h.dialog->Engine().FilePlaying());
    const auto right = h.Last(1);
    EXPECT_EQ(right[20000 - 16384 - 1], 20000);  // the last sample
    EXPECT_EQ(right[20000 - 16384], 0);          // then silence
}

// A read error inside the load leaves the command: the framework reports it, the
// stream stays closed and nothing counts as loaded until the next good load.
TEST_F(LoadPlay, AReadErrorIsReportedByTheFrameworkAndLeavesTheStreamClosed) {
    std::error_code error;
    std::filesystem::create_symlink("/proc/self/mem", dir.Path() / "missing-mem.wav", error);
    if (error) {
        GTEST_SKIP() << "no /proc/self/mem to read from";
    }
    Load("missing-mem.wav");
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    for (const char* loadMessage :
         {"", "Not a valid .wav file!", "No data in file!", "Bad file!", "Failed to open file!"}) {
        EXPECT_NE(h.prompter.messages[0], loadMessage);
    }
    EXPECT_FALSE(h.device.IsOpen());
    EXPECT_FALSE(theSoundFile.m_loaded);
    Load("after.wav");
    EXPECT_TRUE(h.device.IsOpen());
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
}

}  // namespace
