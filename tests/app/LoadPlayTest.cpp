// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "DialogHarness.h"
#include "Ramp.h"
#include "TestBytes.h"

namespace {

class LoadPlay : public testing::Test {
  protected:
    // Writes a 16-bit mono PCM WAV file with these samples (unless it is to be
    // missing), then presses Read Waveform with the file dialog answering its path.
    void Load(const char* name, std::size_t samples = 100) {
        const std::string path = (dir.Path() / name).string();
        if (std::string(name).find("missing") == std::string::npos) {
            dir.Write(name, PcmWave({.channels = 1, .byteRate = 88200, .blockAlign = 2},
                                    S16(Ramp(samples))));
        }
        h.prompter.answers.push_back(path);
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
    }
    void PressStartStop() { QTest::mouseClick(h.item(IDC_START_STOP), Qt::LeftButton); }

    TempDir dir;
    DialogHarness h;
};

// Played in the right ear at full scale whatever the volume, with the progress bar
// following (8192 frames a buffer of 20000: 40 %, 81 %, then back to 0); two quick
// presses stop it and start it again from its first sample.
TEST_F(LoadPlay, PlaysOnTheRightWithProgressAndRestartsFromTheFirstSample) {
    const auto samples = Ramp(20000);
    Load("ramp.wav", 20000);
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
            EXPECT_EQ(h.Last(), std::vector<std::int16_t>(8192, 0)) << "volume 0: no tone";
        }
    }
    EXPECT_EQ(shown, (std::vector<int>{40, 40, 81, 0}));
    EXPECT_FALSE(h.dialog->Engine().FilePlaying());
    const auto right = h.Last(1);
    EXPECT_EQ(right[20000 - 16384 - 1], 20000);  // the last sample
    EXPECT_EQ(right[20000 - 16384], 0);          // then silence
}

// Start / Stop Play follows the last load: enabled after a good one, disabled
// after one that fails. A read error inside the load leaves the command: the
// framework reports it, the stream stays closed and nothing counts as loaded
// until the next good load.
TEST_F(LoadPlay, AFailedLoadDisablesPlayAndAReadErrorLeavesTheStreamClosed) {
    Load("before.wav");
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    Load("missing.wav");
    EXPECT_EQ(h.prompter.messages, std::vector<std::string>{"Failed to open file!"});
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    h.prompter.messages.clear();

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

// A conversion that runs long shows how far it is; Cancel gives it up with the
// tone back, the recording unloaded and a note; EXIT ends the dialog with no
// message. The file is sparse: its header declares 2 GiB of silence.
struct LongLoadCase {
    const char* name;
    bool exit;
};

class LongLoad : public testing::TestWithParam<LongLoadCase> {};

TEST_P(LongLoad, ShowsProgressAndEndsWhenAsked) {
    TempDir dir;
    DialogHarness h;
    constexpr std::uint32_t kDeclared = 2u << 30;
    const Bytes head =
        Wave(Concat({Chunk("fmt ", FmtBody({.channels = 1, .byteRate = 88200, .blockAlign = 2})),
                     ChunkWithSize("data", kDeclared, {})}));
    const std::string path = dir.Write("long.wav", head);
    std::filesystem::resize_file(path, head.size() + kDeclared);

    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(widget);
            if (progress != nullptr && progress->isVisible() && !shown) {
                shown = true;
                EXPECT_FALSE(h.item(IDC_READ_WAVEFORM)->isEnabled()) << "the window waits";
                QTest::mouseClick(
                    GetParam().exit ? h.item(IDOK) : progress->findChild<QPushButton*>(),
                    Qt::LeftButton);
            }
        }
    });
    poll.start(50);
    h.prompter.answers.push_back(path);
    QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);

    EXPECT_TRUE(shown);
    EXPECT_FALSE(theSoundFile.m_loaded);
    EXPECT_EQ(h.dialog->IsEnded(), GetParam().exit);
    EXPECT_EQ(h.device.IsOpen(), !GetParam().exit) << "the tone back, or the stream stopped";
    EXPECT_EQ(h.prompter.messages, GetParam().exit
                                       ? std::vector<std::string>{}
                                       : std::vector<std::string>{"Loading cancelled."});
    if (!GetParam().exit) {
        EXPECT_TRUE(h.item(IDC_READ_WAVEFORM)->isEnabled());
        EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    }
}

INSTANTIATE_TEST_SUITE_P(Dialog, LongLoad,
                         testing::Values(LongLoadCase{"Cancel", false}, LongLoadCase{"Exit", true}),
                         [](const testing::TestParamInfo<LongLoadCase>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace
