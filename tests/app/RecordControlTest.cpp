// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "FakeCapture.h"
#include "LoadSoundFile.h"
#include "RecordControl.h"

namespace {

// Hiss, then from 1 s a bell of three partials that dies away in a few seconds;
// its first peak touches full scale.
std::vector<std::int16_t> Bell() {
    std::vector<std::int16_t> samples(4 * 48000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / 48000 - 1.0;
        double value = 30.0 * std::sin(double(i) * 0.7);
        if (t >= 0) {
            for (const double hz : {500.0, 1000.0, 1200.0}) {
                value += 9000.0 * std::exp(-t / 0.3) * std::sin(2 * std::numbers::pi * hz * t);
            }
        }
        samples[i] = std::int16_t(std::clamp(std::lround(value), -32768l, 32767l));
    }
    samples[48000 + 100] = 32767;
    return samples;
}

struct RecordCase {
    const char* name;
    bool bell;
    const char* startProblem;
    std::size_t lostAfter;
    bool folderIsAFile;
    const char* note;  // a part of the note shown at the end
    bool saved;
    int silenced;  // silenceTone signals, each answered by a toneBack
};

const RecordCase kCases[] = {
    {"a bell is saved", true, "", SIZE_MAX, false, "The take is clipped", true, 1},
    {"no input device", false, "No input device was found", SIZE_MAX, false,
     "No input device was found", false, 0},
    {"a silent input", false, "", SIZE_MAX, false, "No strike was heard in 2 s", false, 1},
    {"the device is lost", true, "", 30000, false, "lost while recording", false, 1},
    {"the folder cannot be made", true, "", SIZE_MAX, true, "could not be created", false, 1},
};

// From the Record button to the note: the take cut, saved where the settings
// say and announced, the tone silenced and given back in pairs, and every
// failure told with nothing saved.
TEST(RecordControl, RecordsATakeOrSaysWhyNot) {
    for (const RecordCase& c : kCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString takes = folder.filePath(c.folderIsAFile ? "file/takes" : "takes");
        QFile(folder.filePath("file")).open(QIODevice::WriteOnly);
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane");
        store.setValue("Record/Folder", takes);
        store.setValue("Record/NoStrikeWait", "2");
        store.sync();

        FakeCapture capture;
        capture.heard = c.bell ? Bell() : std::vector<std::int16_t>{};
        capture.lostAfter = c.lostAfter;
        capture.startProblem = c.startProblem;
        RecordControl control(capture, nullptr);
        QSignalSpy saved(&control, &RecordControl::takeSaved);
        QSignalSpy silenced(&control, &RecordControl::silenceTone);
        QSignalSpy back(&control, &RecordControl::toneBack);
        int loudest = 0;
        QObject::connect(control.Meter(), &QProgressBar::valueChanged,
                         [&loudest](int value) { loudest = std::max(loudest, value); });

        control.RecordButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !control.IsRecording(); }, 10000));
        EXPECT_FALSE(capture.open);
        EXPECT_FALSE(control.RecordButton()->isChecked());
        EXPECT_TRUE(control.Note()->text().contains(c.note))
            << control.Note()->text().toStdString();
        EXPECT_EQ(silenced.count(), c.silenced);
        EXPECT_EQ(back.count(), c.silenced);
        ASSERT_EQ(saved.count(), c.saved ? 1 : 0);
        if (!c.saved) {
            EXPECT_TRUE(QDir(takes).isEmpty());
            continue;
        }
        // The meter showed the bell (tenths of a dB above -60 dBFS).
        EXPECT_GT(loudest, 450);
        const QString path = saved.at(0).at(0).toString();
        EXPECT_TRUE(QRegularExpression(takes + "/bell-\\d{8}-\\d{6}\\.wav").match(path).hasMatch())
            << path.toStdString();
        CSoundFile record;
        ASSERT_EQ(LoadSoundFile(record, path.toStdString()), load_result::kOk);
        EXPECT_EQ(record.m_format.SamplesPerSec(), 48000u);
        EXPECT_NEAR(double(record.Samples().size()) / 48000, 0.5 + 0.1 + 5.18 * 0.3, 0.15);
    }
}

// Ctrl+R starts and stops a recording wherever the focus is in the window, and
// a take stopped by hand before any strike leaves nothing.
TEST(RecordControl, CtrlRAnywhereInTheWindowStartsAndStops) {
    FakeCapture capture;
    QWidget window;
    auto* entry = new QLineEdit(&window);
    auto* control = new RecordControl(capture, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(entry);
    layout->addWidget(control);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    entry->setFocus();
    QTest::keyClick(entry, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(control->IsRecording());
    QTest::keyClick(entry, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(control->IsRecording());
    EXPECT_TRUE(control->Note()->text().contains("Stopped before a strike"));
}

}  // namespace
