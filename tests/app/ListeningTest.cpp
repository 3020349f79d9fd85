// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <string>

#include "DialogHarness.h"
#include "TestBytes.h"

namespace {

// The run's own settings file (the test main points QSettings at a temporary folder).
std::string SettingsFile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane")
        .fileName()
        .toStdString();
}

// A dialog started with no settings kept.
struct Fresh : DialogHarness {
    Fresh() : DialogHarness(false) {
        std::filesystem::remove(SettingsFile());
        Create();
    }
    ListeningControls* listening() const { return dialog->Listening(); }
    // What the tone is, wherever it shows.
    void ExpectTone(int scrollPosition) const {
        DialogHarness::ExpectTone(scrollPosition);
        EXPECT_EQ(listening()->TuneEntry()->text(), QString::number(scrollPosition / 10.0, 'f', 1));
    }
};

struct TypedCase {
    const char* text;
    int expected;  // 4400, the start, where nothing may change
};

class TypedFrequency : public testing::TestWithParam<TypedCase> {};

TEST_P(TypedFrequency, EnterTunesLikeTheScrollBarAndNeverEndsTheDialog) {
    Fresh h;
    QLineEdit* entry = h.listening()->TuneEntry();
    entry->setFocus();
    entry->selectAll();
    QTest::keyClicks(entry, QString::fromLatin1(GetParam().text));
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_FALSE(h.dialog->IsEnded());
    h.ExpectTone(GetParam().expected);
}

constexpr TypedCase kTyped[] = {{"523.3", 5233},  {"1600", 15001},  {"1e9", 15001},
                                {"99.9", 1000},   {"-20", 1000},    {"440.05", 4401},
                                {"100.05", 1001}, {"440.04", 4400}, {"A4", 4400},
                                {"nan", 4400},    {"", 4400}};
INSTANTIATE_TEST_SUITE_P(Dialog, TypedFrequency, testing::ValuesIn(kTyped));

struct OctaveCase {
    int start;
    bool up;
    int expected;  // the start when the jump would leave the range
    int focus;     // the control with the focus
};

class Octave : public testing::TestWithParam<OctaveCase> {};

TEST_P(Octave, JumpsOnlyInsideTheRangeWhereverTheFocusIs) {
    const OctaveCase c = GetParam();
    Fresh h;
    h.DragThumbTo(c.start);
    QWidget* focus = c.focus > 0 ? h.item(c.focus) : h.listening()->TabOrder()[-c.focus - 1];
    focus->setFocus();
    QTest::keyClick(focus, c.up ? Qt::Key_Up : Qt::Key_Down, Qt::ControlModifier);
    h.ExpectTone(c.expected);
}

// A focus of -n: the listening aids' control n in tab order.
constexpr OctaveCase kOctaves[] = {{4400, true, 8800, IDOK},
                                   {7500, true, 15000, IDC_VOLUME},
                                   {7501, true, 7501, IDC_FREQUENCY_SCROLL},
                                   {1000, true, 2000, -3},
                                   {2000, false, 1000, -4},
                                   {1999, false, 1999, -1},
                                   {15001, false, 7501, IDC_FREQUENCY}};
INSTANTIATE_TEST_SUITE_P(Dialog, Octave, testing::ValuesIn(kOctaves));

// Answers every file dialog with Cancel and notes the folder it opened in.
struct FolderPrompter : FakePrompter {
    std::optional<std::string> OpenFileNameIn(const std::string&, const std::string& in) override {
        folders.push_back(in);
        return std::nullopt;
    }
    std::vector<std::string> folders;
};

TEST(Listening, SettingsAreKeptBetweenRunsAndADamagedFileGivesTheDefaults) {
    TempDir dir;
    {
        Fresh h;
        QTest::mouseClick(h.listening()->LoopBox(), Qt::LeftButton);
        QTest::keyClick(h.window(), Qt::Key_B, Qt::AltModifier);  // Both ears' mnemonic
        EXPECT_TRUE(QTest::qWaitFor([&] { return h.listening()->BothEars(); }));
        QDoubleSpinBox* a4 = h.listening()->A4Box();
        a4->setFocus();
        a4->selectAll();
        QTest::keyClicks(a4, "442.5");
        QTest::keyClick(a4, Qt::Key_Return);
        EXPECT_FALSE(h.dialog->IsEnded());
        h.prompter.answers.push_back((dir.Path() / "none.wav").string());
        QTest::keyClick(a4, Qt::Key_O, Qt::ControlModifier);  // Read Waveform
        EXPECT_EQ(h.prompter.messages, std::vector<std::string>{"Failed to open file!"});
        EXPECT_EQ(h.Text(IDC_FILENAME), "no file loaded");  // a failed load keeps the name
    }
    for (const bool damaged : {false, true}) {
        if (damaged) {
            std::ofstream(SettingsFile(), std::ios::trunc)
                << "\x01\xff[[x\nA4=banana\nLoop=maybe\n";
        }
        DialogHarness h;
        FolderPrompter prompter;
        QTest::mouseClick(h.item(IDC_READ_WAVEFORM), Qt::LeftButton);
        EXPECT_EQ(h.dialog->Listening()->Loop() && h.dialog->Engine().Loop(), !damaged);
        EXPECT_EQ(h.dialog->Listening()->BothEars() && h.dialog->Engine().BothEars(), !damaged);
        EXPECT_EQ(h.dialog->Listening()->A4(), damaged ? 440.0 : 442.5);
        EXPECT_EQ(prompter.folders, std::vector<std::string>{damaged ? "" : dir.Path().string()});
    }
    std::filesystem::remove(SettingsFile());  // later dialogs start from the defaults
}

TEST(Listening, EveryControlHasAnAccessibleNameAndTabReachesTheNewOnes) {
    Fresh h;
    int named = 0;
    for (QWidget* w : h.window()->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus && !w->parentWidget()->inherits("QAbstractSpinBox")) {
            EXPECT_FALSE(
                QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className();
            ++named;
        }
    }
    // 11 of the template besides the progress bar, 4 here, Tune to Strike, the partial
    // table, 2 to record; Ring, and the ring's 7 buttons and table.
    EXPECT_EQ(named, 28);
    EXPECT_EQ(h.item(IDC_PROGRESS)->accessibleName(), "Playback position");  // takes no focus

    QList<QWidget*> chain = h.listening()->TabOrder() + h.dialog->Record()->TabOrder();
    // Ring beside Tune to Strike, which is disabled without a recording.
    chain.append(h.window()->findChild<QPushButton*>("ringButton"));
    chain.append(h.item(IDOK));
    h.item(IDC_VERSION)->setFocus();
    for (QWidget* expected : chain) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
}

// The end-to-end tests load through the file dialog only.
TEST(Listening, AFileDroppedOnTheWindowLoads) {
    Fresh h;
    TempDir dir;
    h.Drop({QUrl::fromLocalFile(QString::fromStdString(dir.Write(
        "dropped.wav", PcmWave({.channels = 1, .rate = 22050, .byteRate = 44100, .blockAlign = 2},
                               S16({5, 6, 7})))))});
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FILENAME)->text(), "dropped.wav");
    EXPECT_TRUE(h.item(IDC_START_STOP)->isEnabled());
    EXPECT_EQ(h.device.WrittenBuffers().back().format.nSamplesPerSec, 22050u);
}

}  // namespace
