#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>
#include <utility>
#include <vector>

#include "AfxDefs.h"
#include "CScrollBar.h"
#include "DialogHarness.h"
#include "ScrollBarWidget.h"

namespace {

// A bar whose owner only records: nothing sets a new position, so any movement
// would be the bar moving itself.
class RecordingBar : public testing::Test {
  public:
    RecordingBar() : bar(nullptr) {
        bar.resize(300, 16);
        bar.SetRangeAndPage(1000, 15075, 75);
        SCROLLINFO info{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 4400, 0};
        control.Attach(&bar);
        control.SetScrollInfo(&info);
        bar.SetSink([this](UINT code, int position) { codes.emplace_back(code, position); });
        bar.show();
    }

    QPoint Center(QStyle::SubControl part) const { return PartCenter(&bar, part); }

    std::vector<UINT> Codes() const {
        std::vector<UINT> out;
        for (const auto& [code, position] : codes) {
            out.push_back(code);
        }
        return out;
    }

    ScrollBarWidget bar;
    CScrollBar control;
    std::vector<std::pair<UINT, int>> codes;
};

TEST_F(RecordingBar, ClicksAndKeysReportTheirCodeThenEndScrollAndNeverMoveTheBar) {
    // A part to click, or with SC_None a key to press.
    const struct {
        const char* name;
        QStyle::SubControl part;
        Qt::Key key;
        UINT code;
    } cases[] = {
        {"left arrow", QStyle::SC_ScrollBarSubLine, Qt::Key_unknown, SB_LINELEFT},
        {"right arrow", QStyle::SC_ScrollBarAddLine, Qt::Key_unknown, SB_LINERIGHT},
        {"trough left", QStyle::SC_ScrollBarSubPage, Qt::Key_unknown, SB_PAGELEFT},
        {"trough right", QStyle::SC_ScrollBarAddPage, Qt::Key_unknown, SB_PAGERIGHT},
        {"Home", QStyle::SC_None, Qt::Key_Home, SB_LEFT},
        {"End", QStyle::SC_None, Qt::Key_End, SB_RIGHT},
    };
    for (const auto& c : cases) {
        codes.clear();
        if (c.part == QStyle::SC_None) {
            QTest::keyClick(&bar, c.key);
        } else {
            QTest::mouseClick(&bar, Qt::LeftButton, {}, Center(c.part));
        }
        EXPECT_EQ(Codes(), (std::vector<UINT>{c.code, SB_ENDSCROLL})) << c.name;
        EXPECT_EQ(bar.value(), 4400) << c.name;
        EXPECT_EQ(bar.sliderPosition(), 4400) << c.name;
    }
}

TEST_F(RecordingBar, ADragReportsTrackingPositionsThenThePositionThenEndScroll) {
    const QPoint thumb = Center(QStyle::SC_ScrollBarSlider);
    QTest::mousePress(&bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(&bar, QPoint(thumb.x() + 30, thumb.y()));
    QTest::mouseMove(&bar, QPoint(bar.width() + 50, thumb.y()));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(bar.width() + 50, thumb.y()));
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front().first, SB_THUMBTRACK);
    EXPECT_GT(codes.front().second, 4400);
    EXPECT_EQ(codes[codes.size() - 2], std::make_pair(SB_THUMBPOSITION, 15001));
    EXPECT_EQ(codes.back().first, SB_ENDSCROLL);
    // The owner did not set a position, so the value stays.
    EXPECT_EQ(bar.value(), 4400);
    SCROLLINFO info{};
    control.GetScrollInfo(&info, SIF_ALL);
    EXPECT_EQ(info.nMin, 1000);
    EXPECT_EQ(info.nMax, 15075);
    EXPECT_EQ(info.nPage, 75u);
    EXPECT_EQ(info.nPos, 4400);
}

TEST_F(RecordingBar, TheWheelIsIgnoredAndPositionsClampToTheHighestThumbPosition) {
    QWheelEvent wheel(QPointF(10, 8), bar.mapToGlobal(QPointF(10, 8)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&bar, &wheel);
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(bar.value(), 4400);

    for (const auto& [asked, kept] : {std::pair{20000, 15001}, std::pair{15001, 15001},
                                      std::pair{999, 1000}, std::pair{7000, 7000}}) {
        SCROLLINFO info{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, asked, 0};
        control.SetScrollInfo(&info);
        EXPECT_EQ(control.GetScrollPos(), kept) << asked;
    }
}

}  // namespace
