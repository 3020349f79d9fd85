#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <string>
#include <vector>

#include "AfxDispatch.h"
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
    std::string PathOf(const char* name) const { return (dir.Path() / name).string(); }

    // A 16-bit mono PCM WAV file with these samples; its path.
    std::string WriteWav(const char* name, std::uint32_t rate,
                         const std::vector<std::int16_t>& samples) const {
        return dir.Write(
            name, PcmWave({.channels = 1, .rate = rate, .byteRate = rate * 2, .blockAlign = 2},
                          S16(samples)));
    }

    // Presses Read Waveform with the fake file dialog answering path.
    void Load(const std::optional<std::string>& path) {
        h.prompter.answers.push_back(path);
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
    }

    void PressStartStop() { QTest::mouseClick(h.item(IDC_START_STOP), Qt::LeftButton); }

    QString FileNameBox() const { return h.itemAs<QLineEdit>(IDC_FILENAME)->text(); }
    std::uint32_t LastRate() const {
        return h.device.WrittenBuffers().back().format.nSamplesPerSec;
    }

    TempDir dir;
    DialogHarness h;
};

TEST_F(LoadPlay, CancellingTheFileDialogChangesNothingAndKeepsTheStream) {
    Load(std::nullopt);
    EXPECT_EQ(h.prompter.filters,
              std::vector<std::string>{"Waveform files (.wav, .mp3) (*.wav *.mp3)"});
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_EQ(h.device.OpenCount(), 1);
    EXPECT_EQ(h.device.WriteCount(), 2u);
    EXPECT_EQ(FileNameBox(), "no file loaded");
}

struct BadLoad {
    const char* name;  // written into the temp dir unless missing
    bool exists;
    const char* message;
};

class FailedLoad : public LoadPlay, public testing::WithParamInterface<BadLoad> {};

TEST_P(FailedLoad, ReportsItsMessageAndReopensTheStream) {
    const BadLoad c = GetParam();
    // A good WAV, refused by its name.
    const std::string path = c.exists ? WriteWav(c.name, 22050, Ramp(100)) : PathOf(c.name);
    Load(path);
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    EXPECT_EQ(h.prompter.messages[0], c.message);
    EXPECT_EQ(h.prompter.titles[0], "app_tests");  // the executable's name
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(FileNameBox(), "no file loaded");
    EXPECT_TRUE(h.device.IsOpen());
    EXPECT_EQ(h.device.OpenCount(), 2);
    EXPECT_EQ(LastRate(), 44100u);
}

INSTANTIATE_TEST_SUITE_P(Dialog, FailedLoad,
                         testing::Values(BadLoad{"bell.Wav", true, "Not a valid .wav file!"},
                                         BadLoad{"bell", true, "Not a valid .wav file!"},
                                         BadLoad{"missing.wav", false, "Failed to open file!"}),
                         [](const testing::TestParamInfo<BadLoad>& p) {
                             std::string name = p.param.name;
                             for (char& ch : name) {
                                 if (ch == '.') {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

TEST_F(LoadPlay, A22050HzRecordingRunsTheStreamAtItsRateAndTheToneKeepsItsPitch) {
    const std::string path = WriteWav("low.wav", 22050, Ramp(30000));
    Load(path);
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_EQ(FileNameBox(), "low.wav");
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.dialog->Engine().SampleRate(), 22050u);
    h.FinishBuffer();
    const auto last = h.device.WrittenBuffers().back();
    EXPECT_EQ(last.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(last.values.size(), 8192u);
    EXPECT_NEAR(EstimateFrequency(Channel(last.values, 0), 22050.0), 440.0, 0.01);
    EXPECT_EQ(PeakOf(Channel(last.values, 1)), 0);  // not playing until pressed
}

TEST_F(LoadPlay, AFailedLoadAfterAGoodOneDisablesPlayButKeepsTheName) {
    const std::string good = WriteWav("good.wav", 22050, Ramp(1000));
    Load(good);
    ASSERT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    Load(PathOf("nothing-here.wav"));
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    EXPECT_EQ(h.prompter.messages[0], "Failed to open file!");
    EXPECT_FALSE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(FileNameBox(), "good.wav");
    // Reopened at the previous rate, with nothing to play on the right.
    EXPECT_EQ(LastRate(), 22050u);
    PressStartStop();  // disabled: nothing happens
    EXPECT_FALSE(h.dialog->Engine().FilePlaying());
}

TEST_F(LoadPlay, TwoQuickPressesStopAndRestartFromTheFirstSample) {
    const auto samples = Ramp(20000);
    const std::string path = WriteWav("ramp.wav", 44100, samples);
    Load(path);
    // The recording is not scaled by the volume.
    QTest::keyClick(h.trackbar(), Qt::Key_Home);
    PressStartStop();
    ASSERT_TRUE(h.dialog->Engine().FilePlaying());
    h.FinishBuffer();
    auto right = h.Last(1);
    EXPECT_EQ(right.front(), samples[0]);
    EXPECT_EQ(right[8191], samples[8191]);
    EXPECT_EQ(PeakOf(h.Last()), 0);

    PressStartStop();
    PressStartStop();
    EXPECT_TRUE(h.dialog->Engine().FilePlaying());
    EXPECT_EQ(h.dialog->Engine().FilePosition(), 0);
    h.FinishBuffer();
    right = h.Last(1);
    EXPECT_EQ(right.front(), samples[0]);
}

TEST_F(LoadPlay, ProgressFollowsTheRecordingAndReturnsToZeroAtItsEnd) {
    // 8192 frames a buffer: 41%, 81%, end.
    const std::string path = WriteWav("progress.wav", 44100, Ramp(20000));
    Load(path);
    auto* progress = h.itemAs<QProgressBar>(IDC_PROGRESS);
    PressStartStop();
    std::vector<int> shown;
    for (int i = 0; i < 3; ++i) {
        h.FinishBuffer();
        shown.push_back(progress->value());
    }
    EXPECT_EQ(shown, (std::vector<int>{40, 81, 0}));
    EXPECT_FALSE(h.dialog->Engine().FilePlaying());
    const auto right = h.Last(1);
    EXPECT_EQ(right[20000 - 16384 - 1], 20000 % 30000);  // the last sample
    EXPECT_EQ(right[20000 - 16384], 0);                  // then silence
}

// A read error inside the load leaves the command: the framework reports it,
// the stream stays closed and nothing counts as loaded.
TEST_F(LoadPlay, AReadErrorIsReportedByTheFrameworkAndLeavesTheStreamClosed) {
    const std::string path = PathOf("unreadable.wav");
    std::error_code error;
    std::filesystem::create_symlink("/proc/self/mem", path, error);
    if (error) {
        GTEST_SKIP() << "no /proc/self/mem to read from";
    }
    Load(path);
    ASSERT_EQ(h.prompter.messages.size(), 1u);
    for (const char* loadMessage :
         {"Not a valid .wav file!", "No data in file!", "Bad file!", "Failed to open file!"}) {
        EXPECT_NE(h.prompter.messages[0], loadMessage);
    }
    EXPECT_FALSE(h.prompter.messages[0].empty());
    EXPECT_FALSE(h.device.IsOpen());
    EXPECT_FALSE(theSoundFile.m_loaded);
    // The next confirmed load reopens the stream as usual.
    const std::string good = WriteWav("after.wav", 44100, Ramp(10));
    Load(good);
    EXPECT_TRUE(h.device.IsOpen());
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
}

// An exception leaving a handler is reported by the framework, and the next
// handler runs as usual.
TEST(Dispatch, ReportsAnEscapedExceptionAndGoesOn) {
    FakePrompter prompter;
    AfxDispatch([] { throw std::bad_alloc(); });
    AfxDispatch([] { throw 42; });
    bool ran = false;
    AfxDispatch([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{"Out of memory.", "An unexpected error occurred."}));
}

}  // namespace
