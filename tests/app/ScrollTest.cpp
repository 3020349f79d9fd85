#include <gtest/gtest.h>

#include <QLineEdit>
#include <algorithm>
#include <random>
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
    ASSERT_EQ(h.scrollBar()->value(), c.start);

    if (c.part == QStyle::SC_None) {
        QTest::keyClick(h.scrollBar(), c.key);
    } else {
        h.ClickPart(c.part);
    }

    EXPECT_EQ(h.dialog->ScrollPosition(), c.expected);
    EXPECT_EQ(h.scrollBar()->value(), c.expected);
    EXPECT_EQ(h.scrollBar()->sliderPosition(), c.expected);
    EXPECT_DOUBLE_EQ(h.dialog->Engine().Frequency(), c.expected / 10.0);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.15g", c.expected / 10.0);
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FREQUENCY)->text().toStdString(), shown);
    EXPECT_EQ(h.dialog->Engine().Amplitude(), 8192) << "until the trackbar moves";
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, ScrollBarInput,
    testing::Values(
        ScrollCase{4400, QStyle::SC_ScrollBarSubLine, Qt::Key_unknown, 4399, "LeftArrowAt440"},
        ScrollCase{4400, QStyle::SC_ScrollBarAddPage, Qt::Key_unknown, 4500, "TroughRightAt440"},
        ScrollCase{4400, QStyle::SC_ScrollBarSubPage, Qt::Key_unknown, 4300, "TroughLeftAt440"},
        ScrollCase{4400, QStyle::SC_ScrollBarAddLine, Qt::Key_unknown, 4401, "RightArrowAt440"},
        ScrollCase{1000, QStyle::SC_ScrollBarSubLine, Qt::Key_unknown, 1000, "LeftArrowAt1000"},
        ScrollCase{1001, QStyle::SC_ScrollBarSubLine, Qt::Key_unknown, 1000, "LeftArrowAt1001"},
        ScrollCase{14999, QStyle::SC_ScrollBarAddLine, Qt::Key_unknown, 15000, "RightArrowAt14999"},
        ScrollCase{15000, QStyle::SC_ScrollBarAddLine, Qt::Key_unknown, 15000, "RightArrowAt15000"},
        ScrollCase{15001, QStyle::SC_ScrollBarAddLine, Qt::Key_unknown, 15000, "RightArrowAt15001"},
        ScrollCase{15001, QStyle::SC_ScrollBarSubLine, Qt::Key_unknown, 15000, "LeftArrowAt15001"},
        ScrollCase{14899, QStyle::SC_None, Qt::Key_PageDown, 14999, "PageRightAt14899"},
        ScrollCase{14900, QStyle::SC_None, Qt::Key_PageDown, 15000, "PageRightAt14900"},
        ScrollCase{1100, QStyle::SC_None, Qt::Key_PageUp, 1000, "PageLeftAt1100"},
        ScrollCase{1050, QStyle::SC_None, Qt::Key_PageUp, 1000, "PageLeftAt1050"},
        ScrollCase{1101, QStyle::SC_None, Qt::Key_PageUp, 1001, "PageLeftAt1101"},
        ScrollCase{4400, QStyle::SC_None, Qt::Key_Home, 1000, "HomeGives100Hz"},
        ScrollCase{4400, QStyle::SC_None, Qt::Key_End, 15000, "EndGives1500Hz"},
        ScrollCase{15001, QStyle::SC_None, Qt::Key_End, 15000, "EndAt15001"}),
    [](const testing::TestParamInfo<ScrollCase>& p) { return std::string(p.param.name); });

TEST(ScrollBar, DraggingTheThumbToTheFarRightGives1500Point1Hz) {
    DialogHarness h;
    QScrollBar* bar = h.scrollBar();
    const QPoint thumb = PartCenter(bar, QStyle::SC_ScrollBarSlider);
    const QPoint farRight(bar->width() + 40, thumb.y());
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, QPoint(thumb.x() + 20, thumb.y()));
    // While dragging, the box follows the tracking position.
    const int tracking = h.dialog->ScrollPosition();
    EXPECT_GT(tracking, 4400);
    EXPECT_EQ(h.ShownFrequency(), tracking / 10.0);
    QTest::mouseMove(bar, farRight);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, farRight);

    EXPECT_EQ(h.dialog->ScrollPosition(), 15001);
    EXPECT_EQ(bar->value(), 15001);
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FREQUENCY)->text(), "1500.1");
    EXPECT_DOUBLE_EQ(h.dialog->Engine().Frequency(), 1500.1);

    // The new frequency is what the next buffer plays, still at amplitude 8192.
    h.FinishBuffer();
    EXPECT_NEAR(EstimateFrequency(h.LastLeft(), 44100.0), 1500.1, 0.01);
    EXPECT_EQ(h.dialog->Engine().Amplitude(), 8192);
    EXPECT_GT(PeakOf(h.LastLeft()), 8175);
}

struct VolumeCase {
    Qt::Key key;
    int volume;
    int peak;
    const char* name;
};

class Volume : public testing::TestWithParam<VolumeCase> {};

TEST_P(Volume, SetsTheToneAmplitudeFromTheTrackbar) {
    const VolumeCase c = GetParam();
    DialogHarness h;
    QTest::keyClick(h.trackbar(), c.key);
    EXPECT_EQ(h.trackbar()->value(), c.volume);
    EXPECT_EQ(h.dialog->Engine().Amplitude(), c.volume * 327);
    // The frequency box is read back unchanged and the tone is not retuned.
    EXPECT_EQ(h.itemAs<QLineEdit>(IDC_FREQUENCY)->text(), "440");
    h.FinishBuffer();
    const auto left = h.LastLeft();
    EXPECT_LE(PeakOf(left), c.peak);
    EXPECT_GE(PeakOf(left), c.peak - c.peak / 100);
    EXPECT_NEAR(EstimateFrequency(left, 44100.0), c.peak == 0 ? 0.0 : 440.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Dialog, Volume,
                         testing::Values(VolumeCase{Qt::Key_End, 100, 32700, "Full"},
                                         VolumeCase{Qt::Key_Home, 0, 0, "Silent"},
                                         VolumeCase{Qt::Key_Right, 26, 26 * 327, "OneStep"}),
                         [](const testing::TestParamInfo<VolumeCase>& p) {
                             return std::string(p.param.name);
                         });

// Thousands of scroll messages while the stream refills on another thread: the
// left channel never steps by more than one sample of the frequency in force
// allows, and the last frequency asked for is the one that plays.
TEST(ScrollBar, RetuneUnderPressureKeepsTheWaveWholeAndEndsOnTheLastRequest) {
    DialogHarness h;
    h.device.KeepWrites(true);
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    std::thread stream([&] {
        while (!stop.load() && finished.load() < 400) {
            if (h.device.FinishNext(true)) {
                finished.fetch_add(1);
            }
        }
    });

    // Mostly small moves, now and then a page or a jump across the whole range.
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int i = 0; i < 4000; ++i) {
        const int r = percent(random);
        const Qt::Key key = r < 40   ? Qt::Key_Left
                            : r < 80 ? Qt::Key_Right
                            : r < 88 ? Qt::Key_PageUp
                            : r < 96 ? Qt::Key_PageDown
                            : r < 98 ? Qt::Key_Home
                                     : Qt::Key_End;
        QTest::keyClick(h.scrollBar(), key);
        if (i % 8 == 0) {
            QCoreApplication::processEvents();
        }
    }
    // One last, known request.
    h.DragThumbTo(7777);
    stop.store(true);
    // Let the stream thread leave its loop; its refills may wait on us.
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
        stream.join();
        joined.store(true);
    });
    while (!joined.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    joiner.join();
    h.FinishBuffer();
    h.FinishBuffer();

    const auto written = h.device.WrittenBuffers();
    ASSERT_GT(written.size(), 20u);
    std::int16_t previous = Channel(written.front().values, 0).back();
    for (std::size_t b = 1; b < written.size(); ++b) {
        const auto left = Channel(written[b].values, 0);
        ASSERT_GT(PeakOf(left), 8000) << "buffer " << b << " lost its tone";
        const double f = EstimateFrequency(left, 44100.0);
        ASSERT_TRUE(f >= 99.9 && f <= 1500.2) << "buffer " << b << " at " << f;
        const double maxStep = 8192 * 2.0 * std::sin(std::numbers::pi * f / 44100.0) * 1.01 + 2.0;
        int worst = std::abs(left.front() - previous);
        for (std::size_t n = 1; n < left.size(); ++n) {
            worst = std::max(worst, std::abs(left[n] - left[n - 1]));
        }
        EXPECT_LE(worst, maxStep) << "buffer " << b << " at " << f << " Hz";
        previous = left.back();
    }
    EXPECT_NEAR(EstimateFrequency(Channel(written.back().values, 0), 44100.0), 777.7, 0.01);
}

}  // namespace
