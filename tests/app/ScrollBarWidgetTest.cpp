#include <gtest/gtest.h>

#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>
#include <utility>
#include <vector>

#include "AfxDefs.h"
#include "CScrollBar.h"
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

    QPoint Center(QStyle::SubControl part) const {
        QStyleOptionSlider option;
        option.initFrom(&bar);
        option.subControls = QStyle::SC_All;
        option.orientation = Qt::Horizontal;
        option.state |= QStyle::State_Horizontal;
        option.minimum = bar.minimum();
        option.maximum = bar.maximum();
        option.sliderPosition = bar.sliderPosition();
        option.sliderValue = bar.value();
        option.pageStep = bar.pageStep();
        option.singleStep = bar.singleStep();
        return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar).center();
    }

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
    struct Case {
        const char* name;
        std::function<void(RecordingBar&)> act;
        UINT code;
    };
    const std::vector<Case> cases = {
        {"left arrow",
         [](RecordingBar& t) {
             QTest::mouseClick(&t.bar, Qt::LeftButton, {}, t.Center(QStyle::SC_ScrollBarSubLine));
         },
         SB_LINELEFT},
        {"right arrow",
         [](RecordingBar& t) {
             QTest::mouseClick(&t.bar, Qt::LeftButton, {}, t.Center(QStyle::SC_ScrollBarAddLine));
         },
         SB_LINERIGHT},
        {"trough left",
         [](RecordingBar& t) {
             QTest::mouseClick(&t.bar, Qt::LeftButton, {}, t.Center(QStyle::SC_ScrollBarSubPage));
         },
         SB_PAGELEFT},
        {"trough right",
         [](RecordingBar& t) {
             QTest::mouseClick(&t.bar, Qt::LeftButton, {}, t.Center(QStyle::SC_ScrollBarAddPage));
         },
         SB_PAGERIGHT},
        {"Home", [](RecordingBar& t) { QTest::keyClick(&t.bar, Qt::Key_Home); }, SB_LEFT},
        {"End", [](RecordingBar& t) { QTest::keyClick(&t.bar, Qt::Key_End); }, SB_RIGHT},
    };
    for (const Case& c : cases) {
        codes.clear();
        c.act(*this);
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
