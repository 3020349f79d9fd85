#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DialogHarness.h"
#include "TestBytes.h"

namespace {

// The settings file the dialog reads, in the run's own settings folder.
std::string SettingsFile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane")
        .fileName()
        .toStdString();
}

void RemoveSettings() {
    std::filesystem::remove(SettingsFile());
}

std::string Shown(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", hz);
    return text;
}

// Types text into the Tune to entry and presses Enter there.
void TypeFrequency(DialogHarness& h, const QString& text) {
    QLineEdit* entry = h.dialog->Listening()->TuneEntry();
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, text);
    QTest::keyClick(entry, Qt::Key_Return);
}

struct TypedCase {
    const char* text;
    int expected;  // scroll position; the start, 4400, when nothing may change
    const char* name;
};

class TypedFrequency : public testing::TestWithParam<TypedCase> {
  protected:
    void SetUp() override { RemoveSettings(); }
};

TEST_P(TypedFrequency, EnterTunesLikeTheScrollBarAndNeverEndsTheDialog) {
    const TypedCase c = GetParam();
    DialogHarness h;
    TypeFrequency(h, QString::fromLatin1(c.text));

    EXPECT_FALSE(h.dialog->IsEnded()) << "Enter in the entry pressed EXIT";
    EXPECT_EQ(h.dialog->ScrollPosition(), c.expected);
    EXPECT_EQ(h.scrollBar()->value(), c.expected);
    EXPECT_DOUBLE_EQ(h.dialog->Engine().Frequency(), c.expected / 10.0);
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FREQUENCY)->text().toStdString(), Shown(c.expected / 10.0));
    EXPECT_EQ(h.dialog->Listening()->TuneEntry()->text(),
              QString::number(c.expected / 10.0, 'f', 1));
    h.FinishBuffer();
    h.FinishBuffer();
    EXPECT_NEAR(EstimateFrequency(h.LastLeft(), 44100.0), c.expected / 10.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, TypedFrequency,
    testing::Values(TypedCase{"523.3", 5233, "InRange"}, TypedCase{" 1500.1 ", 15001, "Top"},
                    TypedCase{"1600", 15001, "AboveRange"}, TypedCase{"99.9", 1000, "BelowRange"},
                    TypedCase{"-20", 1000, "Negative"}, TypedCase{"1e9", 15001, "Huge"},
                    TypedCase{"440.05", 4401, "HalfRoundsUp"},
                    TypedCase{"100.05", 1001, "HalfRoundsUpAtTheBottom"},
                    TypedCase{"440.04", 4400, "BelowHalfRoundsDown"},
                    TypedCase{"261,6", 2616, "DecimalComma"},
                    TypedCase{"A4", 4400, "TextRestoresTheEntry"},
                    TypedCase{"nan", 4400, "NotANumber"}, TypedCase{"", 4400, "Empty"}),
    [](const testing::TestParamInfo<TypedCase>& p) { return std::string(p.param.name); });

struct OctaveCase {
    int start;
    bool up;
    int expected;
    const char* name;
};

class Octave : public testing::TestWithParam<OctaveCase> {};

TEST_P(Octave, JumpsOnlyWhenTheResultStaysInRangeWhereverTheFocusIs) {
    const OctaveCase c = GetParam();
    RemoveSettings();
    DialogHarness h;
    if (c.start != 4400) {
        h.DragThumbTo(c.start);
    }
    ListeningControls* listening = h.dialog->Listening();
    for (QWidget* focus : {h.item(IDOK), h.item(IDC_VOLUME), static_cast<QWidget*>(h.scrollBar()),
                           static_cast<QWidget*>(listening->TuneEntry()),
                           static_cast<QWidget*>(listening->A4Box())}) {
        focus->setFocus();
        QTest::keyClick(focus, c.up ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(h.dialog->ScrollPosition(), c.expected) << focus->metaObject()->className();
        EXPECT_DOUBLE_EQ(h.dialog->Engine().Frequency(), c.expected / 10.0);
        EXPECT_EQ(listening->TuneEntry()->text(), QString::number(c.expected / 10.0, 'f', 1));
        EXPECT_EQ(listening->A4(), 440.0) << "the A4 box kept its value";
        EXPECT_EQ(h.trackbar()->value(), 25) << "the trackbar kept its value";
        h.DragThumbTo(c.start);  // the same jump again from the next control
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, Octave,
    testing::Values(OctaveCase{4400, true, 8800, "UpFrom440"},
                    OctaveCase{7500, true, 15000, "UpToTheTop"},
                    OctaveCase{7501, true, 7501, "UpPastTheTop"},
                    OctaveCase{1000, true, 2000, "UpFromTheBottom"},
                    OctaveCase{2000, false, 1000, "DownToTheBottom"},
                    OctaveCase{1999, false, 1999, "DownPastTheBottom"},
                    OctaveCase{15001, false, 7501, "DownFromTheDragTopRoundsUp"}),
    [](const testing::TestParamInfo<OctaveCase>& p) { return std::string(p.param.name); });

// A prompter that also records the folder each file dialog opens in.
class FolderPrompter : public FakePrompter {
  public:
    std::optional<std::string> OpenFileNameIn(const std::string& qtFilter,
                                              const std::string& initialDir) override {
        folders.push_back(initialDir);
        return OpenFileName(qtFilter);
    }
    std::vector<std::string> folders;
};

TEST(Listening, CtrlOReadsAWaveformAndCtrlPPlaysItOnlyWhenEnabled) {
    RemoveSettings();
    TempDir dir;
    const std::string path = dir.Write(
        "bell.wav", PcmWave({.channels = 1, .rate = 44100, .byteRate = 88200, .blockAlign = 2},
                            S16(std::vector<int>(44100, 1234))));
    DialogHarness h;
    QWidget* entry = h.dialog->Listening()->TuneEntry();
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(h.dialog->Engine().FilePlaying()) << "nothing is loaded";

    h.prompter.answers.push_back(path);
    QTest::keyClick(entry, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(h.prompter.filters.size(), 1u);
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FILENAME)->text(), "bell.wav");
    h.scrollBar()->setFocus();
    QTest::keyClick(h.scrollBar(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(h.dialog->Engine().FilePlaying());
}

TEST(Listening, SettingsAreKeptBetweenRunsAndADamagedFileGivesTheDefaults) {
    RemoveSettings();
    TempDir dir;
    const std::string path = dir.Write(
        "tenor.wav", PcmWave({.channels = 1, .rate = 44100, .byteRate = 88200, .blockAlign = 2},
                             S16({1, 2, 3})));
    {
        DialogHarness h;
        ListeningControls* listening = h.dialog->Listening();
        EXPECT_FALSE(listening->Loop());
        EXPECT_FALSE(listening->BothEars());
        EXPECT_EQ(listening->A4(), 440.0);
        QTest::mouseClick(listening->LoopBox(), Qt::LeftButton);
        QTest::keyClick(h.window(), Qt::Key_B, Qt::AltModifier);  // Both ears by its mnemonic
        EXPECT_TRUE(QTest::qWaitFor([&] { return listening->BothEars(); }));  // an animated click
        QDoubleSpinBox* a4 = listening->A4Box();
        a4->setFocus();
        a4->selectAll();
        QTest::keyClicks(a4, "442.5");
        QTest::keyClick(a4, Qt::Key_Return);
        EXPECT_FALSE(h.dialog->IsEnded()) << "Enter in the A4 box pressed EXIT";
        EXPECT_TRUE(h.dialog->Engine().Loop());
        EXPECT_TRUE(h.dialog->Engine().BothEars());
        h.prompter.answers.push_back(path);
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
    }
    {
        DialogHarness h;
        FolderPrompter prompter;
        ListeningControls* listening = h.dialog->Listening();
        EXPECT_TRUE(listening->Loop());
        EXPECT_TRUE(listening->BothEars());
        EXPECT_EQ(listening->A4(), 442.5);
        EXPECT_TRUE(h.dialog->Engine().Loop());
        EXPECT_TRUE(h.dialog->Engine().BothEars());
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
        ASSERT_EQ(prompter.folders.size(), 1u);
        EXPECT_EQ(prompter.folders[0], dir.Path().string());
    }
    {
        std::ofstream damage(SettingsFile(), std::ios::binary | std::ios::trunc);
        damage << "\x01\xff[[general\nA4=banana\nLoop=maybe\nBothEars=2\n\x00\x7f=\n";
    }
    DialogHarness h;
    ListeningControls* listening = h.dialog->Listening();
    EXPECT_TRUE(h.prompter.messages.empty());
    EXPECT_FALSE(listening->Loop());
    EXPECT_FALSE(listening->BothEars());
    EXPECT_EQ(listening->A4(), 440.0);
    EXPECT_FALSE(h.dialog->Engine().Loop());
}

TEST(Listening, EveryControlHasAnAccessibleNameAndTheTabOrderEndsWithTheNewOnes) {
    RemoveSettings();
    DialogHarness h;
    int named = 0;
    for (QWidget* w : h.window()->findChildren<QWidget*>()) {
        const bool control = w->inherits("QAbstractButton") || w->inherits("QLineEdit") ||
                             w->inherits("QAbstractSlider") || w->inherits("QProgressBar") ||
                             w->inherits("QAbstractSpinBox");
        if (!control || w->parentWidget()->inherits("QAbstractSpinBox")) {
            continue;  // the spin box's own edit speaks through the spin box
        }
        QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a11y, nullptr);
        EXPECT_FALSE(a11y->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
        ++named;
    }
    EXPECT_EQ(named, 16);  // 12 of the template, 4 of the listening aids
    EXPECT_EQ(h.scrollBar()->accessibleName(), "Frequency");
    EXPECT_EQ(h.trackbar()->accessibleName(), "Volume");
    EXPECT_EQ(h.item(IDC_PROGRESS)->accessibleName(), "Playback position");

    // Tab from the template's last stop visits the new controls, then wraps.
    ListeningControls* listening = h.dialog->Listening();
    QWidget* w = h.item(IDC_VERSION);
    QList<QWidget*> chain = listening->TabOrder();
    chain.append(h.item(IDOK));
    for (QWidget* expected : chain) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Tab);
        w = QApplication::focusWidget();
        EXPECT_EQ(w, expected);
    }
}

TEST(Listening, AClickedScrollBarTakesTheKeysThroughTheSameHandler) {
    RemoveSettings();
    DialogHarness h;
    h.ClickPart(QStyle::SC_ScrollBarSubLine);
    ASSERT_EQ(QApplication::focusWidget(), h.scrollBar());
    for (const auto& [key, expected] : {std::pair{Qt::Key_Right, 4400},
                                        {Qt::Key_Right, 4401},
                                        {Qt::Key_PageDown, 4501},
                                        {Qt::Key_PageUp, 4401},
                                        {Qt::Key_Left, 4400}}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(h.dialog->ScrollPosition(), expected);
        EXPECT_EQ(h.dialog->Listening()->TuneEntry()->text(),
                  QString::number(expected / 10.0, 'f', 1));
    }
}

TEST(Listening, AFileDroppedOnTheWindowLoadsAsReadWaveformDoes) {
    RemoveSettings();
    TempDir dir;
    const std::string path = dir.Write(
        "dropped.wav", PcmWave({.channels = 1, .rate = 22050, .byteRate = 44100, .blockAlign = 2},
                               S16({5, 6, 7})));
    DialogHarness h;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPoint at = h.window()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.window(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.window(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    QCoreApplication::processEvents();

    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FILENAME)->text(), "dropped.wav");
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.device.WrittenBuffers().back().format.nSamplesPerSec, 22050u);

    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.window(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
