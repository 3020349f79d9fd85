// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QWheelEvent>
#include <string>

#include "DialogHarness.h"

namespace {

// A part of the bar to click, or with SC_None a key to press (Page Up/Down send
// the trough's codes where the trough is too thin to hit).
struct ScrollCase {
    int start;
    QStyle::SubControl part;
    Qt::Key key;
    int expected;
    const char* name;
};

class ScrollBarInput : public testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollBarInput, MovesByTheHandlersRulesNotByItself) {
    const ScrollCase c = GetParam();
    DialogHarness h;
    if (c.start != 4400) {
        h.DragThumbTo(c.start);
    }
    ASSERT_EQ(h.dialog->ScrollPosition(), c.start);
    if (c.part == QStyle::SC_None) {
        QTest::keyClick(h.scrollBar(), c.key);
    } else {
        h.ClickPart(c.part);
    }
    h.ExpectTone(c.expected);
    EXPECT_EQ(h.dialog->Engine().Amplitude(), 8192) << "until the trackbar moves";
}

constexpr auto kNoKey = Qt::Key_unknown;
constexpr auto kLeft = QStyle::SC_ScrollBarSubLine;
constexpr auto kRight = QStyle::SC_ScrollBarAddLine;

INSTANTIATE_TEST_SUITE_P(
    Dialog, ScrollBarInput,
    testing::Values(ScrollCase{4400, QStyle::SC_ScrollBarSubPage, kNoKey, 4300, "TroughLeft"},
                    ScrollCase{4400, kRight, kNoKey, 4401, "RightArrowAt440"},
                    ScrollCase{1000, kLeft, kNoKey, 1000, "LeftArrowAt1000"},
                    ScrollCase{1001, kLeft, kNoKey, 1000, "LeftArrowAt1001"},
                    ScrollCase{14999, kRight, kNoKey, 15000, "RightArrowAt14999"},
                    ScrollCase{15000, kRight, kNoKey, 15000, "RightArrowAt15000"},
                    ScrollCase{15001, kRight, kNoKey, 15000, "RightArrowAt15001"},
                    ScrollCase{15001, kLeft, kNoKey, 15000, "LeftArrowAt15001"},
                    ScrollCase{14899, QStyle::SC_None, Qt::Key_PageDown, 14999, "PageAt14899"},
                    ScrollCase{14900, QStyle::SC_None, Qt::Key_PageDown, 15000, "PageAt14900"},
                    ScrollCase{14950, QStyle::SC_None, Qt::Key_PageDown, 15000, "PageAt14950"},
                    ScrollCase{1100, QStyle::SC_None, Qt::Key_PageUp, 1000, "PageLeftAt1100"},
                    ScrollCase{1050, QStyle::SC_None, Qt::Key_PageUp, 1000, "PageLeftAt1050"},
                    ScrollCase{1101, QStyle::SC_None, Qt::Key_PageUp, 1001, "PageLeftAt1101"},
                    ScrollCase{4400, QStyle::SC_None, Qt::Key_Home, 1000, "Home"},
                    ScrollCase{15001, QStyle::SC_None, Qt::Key_End, 15000, "EndAt15001"}),
    [](const testing::TestParamInfo<ScrollCase>& p) { return std::string(p.param.name); });

TEST(ScrollBar, DraggingTheThumbToTheFarRightGives1500Point1HzAndTheWheelNothing) {
    DialogHarness h;
    QScrollBar* bar = h.scrollBar();
    QWheelEvent wheel(QPointF(10, 8), bar->mapToGlobal(QPointF(10, 8)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(bar, &wheel);
    EXPECT_EQ(h.dialog->ScrollPosition(), 4400);

    const QPoint thumb = PartCenter(bar, QStyle::SC_ScrollBarSlider);
    const QPoint farRight(bar->width() + 40, thumb.y());
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, QPoint(thumb.x() + 20, thumb.y()));
    // While dragging, the box follows the tracking position.
    const int tracking = h.dialog->ScrollPosition();
    EXPECT_GT(tracking, 4400);
    EXPECT_EQ(h.Text(IDC_FREQUENCY).toDouble(), tracking / 10.0);
    QTest::mouseMove(bar, farRight);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, farRight);
    h.ExpectTone(15001);
}

}  // namespace
