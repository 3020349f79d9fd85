// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "FakeCapture.h"
#include "HeardBell.h"
#include "LoadSoundFile.h"
#include "RecordControl.h"

namespace {

struct RecordCase {
    const char* name;
    bool bell;              // from 1.5 s, three partials dying away, its onset at full scale
    std::size_t lostAfter;  // samples
    const char* folder;     // under a temporary folder, which holds a file "file"
    bool stopByHand;
    const char* note;  // a part of the note shown at the end
    bool saved;
};

const RecordCase kCases[] = {
    {"a bell is saved", true, SIZE_MAX, "takes", false, "The take is clipped", true},
    {"stopped by hand", false, SIZE_MAX, "takes", true, "Stopped before a strike", false},
    {"the device is lost", true, 30000, "takes", false, "was lost", false},
    {"the folder cannot be made", true, SIZE_MAX, "file/takes", false, "could not be created",
     false},
};

// From Ctrl+R, wherever the focus is in the window, to the note: the take cut,
// saved where the settings say and announced, the tone silenced and given back
// once, and every failure told with nothing saved. (A silent input and a missing
// device are met through the real window by the end-to-end test.)
TEST(RecordControl, RecordsATakeOrSaysWhyNot) {
    for (const RecordCase& c : kCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString takes = folder.filePath(c.folder);
        QFile(folder.filePath("file")).open(QIODevice::WriteOnly);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane")
            .setValue("Record/Folder", takes);

        auto owned = std::make_unique<FakeCapture>();
        FakeCapture& capture = *owned;
        if (c.bell) {
            capture.heard = HeardBell(4.5, -60, 1.5, 9000, 0.3, {500, 1000, 1200});
            capture.heard[72100] = 32767;
        }
        capture.lostAfter = c.lostAfter;
        QWidget window;
        auto* entry = new QLineEdit(&window);
        auto* control = new RecordControl(std::move(owned), &window);
        (new QVBoxLayout(&window))->addWidget(entry);
        window.layout()->addWidget(control);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QSignalSpy saved(control, &RecordControl::takeSaved);
        QSignalSpy silenced(control, &RecordControl::silenceTone);
        QSignalSpy back(control, &RecordControl::toneBack);
        int loudest = 0;
        QObject::connect(control->Meter(), &QProgressBar::valueChanged,
                         [&loudest](int value) { loudest = std::max(loudest, value); });

        QTest::keyClick(entry, Qt::Key_R, Qt::ControlModifier);
        if (c.stopByHand) {
            QTest::keyClick(entry, Qt::Key_R, Qt::ControlModifier);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !control->IsRecording(); }, 10000));
        EXPECT_FALSE(capture.open || control->RecordButton()->isChecked());
        EXPECT_TRUE(control->Note()->text().contains(c.note))
            << control->Note()->text().toStdString();
        EXPECT_EQ(silenced.count() * 10 + back.count(), 11);
        ASSERT_EQ(saved.count(), c.saved ? 1 : 0);
        if (saved.isEmpty()) {
            EXPECT_TRUE(QDir(takes).isEmpty());
            continue;
        }
        EXPECT_GT(loudest, 450);  // tenths of a dB above the meter's -60 dBFS
        const QString path = saved.at(0).at(0).toString();
        EXPECT_TRUE(QRegularExpression(takes + "/bell-\\d{8}-\\d{6}\\.wav").match(path).hasMatch())
            << path.toStdString();
        // The take loads as it was heard: from the pre-roll to 45 dB below the peak.
        CSoundFile record;
        ASSERT_EQ(LoadSoundFile(record, path.toStdString()), LoadResult::kOk);
        EXPECT_EQ(record.m_format.SamplesPerSec(), 48000u);
        EXPECT_NEAR(double(record.Samples().size()) / 48000, 0.5 + 0.1 + 5.18 * 0.3, 0.15);
    }
}

}  // namespace
