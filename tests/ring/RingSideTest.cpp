// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <variant>

#include "BellFiles.h"
#include "DialogHarness.h"
#include "RingDocument.h"
#include "RingTableModel.h"
#include "RingView.h"

namespace {

RingView* ViewOf(const DialogHarness& h) {
    return h.window()->findChild<RingView*>();
}

// Waits until the recording at path is the loaded one.
bool Loaded(const std::string& path) {
    return QTest::qWaitFor([&] { return theSoundFile.m_loaded && theSoundFile.m_path == path; });
}

TEST(RingSide, WalksTheNamedRingFromAnyFocusKeepsTheToneAndOpensAgainAtTheNextStart) {
    TempDir dir;
    const std::string low = WriteBell(dir, "low.wav", UsualBell(520.0));
    const std::string high = WriteBell(dir, "high.wav", UsualBell(780.0));
    const std::string mid = WriteBell(dir, "mid.wav", UsualBell(650.0));
    const QString ringPath = QString::fromStdString(dir.Path() / "tower.vring");
    Ring ring;
    for (const std::string& path : {low, high, mid}) {
        ring.bells.push_back({QString::fromStdString(path), std::nullopt, {}});
    }
    ASSERT_EQ(WriteRing(ring, ringPath), std::nullopt);
    {
        DialogHarness h(false);
        h.dialog->LoadAtStart(ringPath.toStdString());
        ASSERT_TRUE(h.Create());
        ASSERT_TRUE(Loaded(low));  // the first bell of the file
        RingView* view = ViewOf(h);
        ASSERT_TRUE(view != nullptr && view->isVisible());
        EXPECT_GT(h.window()->width(), view->geometry().right());
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->Model()->Complete(); }));

        // In bell order high, mid, low; the selection stayed on low.
        QTest::keyClick(h.scrollBar(), Qt::Key_PageUp, Qt::ControlModifier);
        ASSERT_TRUE(Loaded(mid));
        QTest::keyClick(view->Table(), Qt::Key_Up);
        ASSERT_TRUE(Loaded(high));
        h.DragThumbTo(3902);
        QTest::keyClick(h.item(IDOK), Qt::Key_K, Qt::ControlModifier);
        const RingParse onDisk = ReadRing(ringPath);
        ASSERT_TRUE(std::holds_alternative<Ring>(onDisk));
        EXPECT_EQ(std::get<Ring>(onDisk).bells[1].byEarHz, 390.2);
        EXPECT_TRUE(h.prompter.messages.empty());
    }
    {
        DialogHarness h;  // no file named: the ring opens again
        ASSERT_TRUE(Loaded(low));
        RingView* view = ViewOf(h);
        ASSERT_TRUE(view != nullptr && view->isVisible());
        EXPECT_EQ(view->Model()->Path(), ringPath);
        const int row = view->Model()->RowOfBell(1);
        EXPECT_TRUE(view->Model()
                        ->index(row, RingTableModel::kByEar)
                        .data()
                        .toString()
                        .startsWith("390.20"));

        // Hidden, the window is its own size again and no ring opens at the next start.
        QTest::mouseClick(h.window()->findChild<QPushButton*>("ringButton"), Qt::LeftButton);
        EXPECT_FALSE(view->isVisible());
        EXPECT_LE(h.window()->width(), view->geometry().left());
    }
    // One dialog at a time: they share the loaded recording.
    DialogHarness next;
    QCoreApplication::processEvents();
    EXPECT_FALSE(ViewOf(next)->isVisible());

    // Dropped anywhere on the window, a ring file opens as a ring, not as a recording.
    next.Drop({QUrl::fromLocalFile(ringPath)});
    EXPECT_TRUE(ViewOf(next)->isVisible());
    EXPECT_EQ(ViewOf(next)->Model()->Path(), ringPath);
    EXPECT_TRUE(Loaded(low));
    EXPECT_TRUE(next.prompter.messages.empty());
}

}  // namespace
