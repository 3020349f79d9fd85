// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QScrollBar>
#include <cmath>
#include <string>
#include <vector>

#include "AnalysisArea.h"
#include "DialogHarness.h"
#include "PartialTable.h"
#include "RecordingAnalysis.h"
#include "SpectrumView.h"
#include "SyntheticBell.h"
#include "TestBytes.h"

namespace {

constexpr std::uint32_t kRate = 44100;

// The analysis shown below the tone controls, driven as the user drives it:
// keys anywhere in the window, a click on the spectrum, Tune to Strike.
class AnalysisAreaTest : public testing::Test {
  protected:
    void SetUp() override {
        const std::vector<SyntheticPartial> bell{{150.4, -6, 6.0, ""},  {300.9, -8, 4.0, ""},
                                                 {357.7, -6, 3.0, ""},  {449.6, -20, 2.0, ""},
                                                 {600.0, 0, 2.5, ""},   {898.9, -10, 1.5, ""},
                                                 {1203.7, -14, 1.2, ""}};
        samples = SyntheticBell(bell, kRate, 4.0);
        expected = *AnalyseRecording(samples, kRate);
        const std::string path = dir.Write(
            "bell.wav",
            PcmWave({.channels = 1, .rate = kRate, .byteRate = kRate * 2, .blockAlign = 2},
                    S16(samples)));
        h.dialog->LoadRecording(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Area()->NextPeak(true).has_value(); }, 20000));
    }

    AnalysisArea* Area() const { return h.dialog->Analysis(); }

    // The tone on the scroll bar's 0.1 Hz step nearest hz.
    void ExpectTone(double hz) const { h.ExpectTone(static_cast<int>(std::lround(hz * 10))); }

    TempDir dir;
    DialogHarness h;
    std::vector<std::int16_t> samples;
    RecordingAnalysis expected;
};

TEST_F(AnalysisAreaTest, CtrlArrowsStepThroughThePeaksWhereverTheFocusIs) {
    // From 440 Hz the next peak up is the quint, then the nominal; down, the tierce.
    h.item(IDC_FILENAME)->setFocus();
    QTest::keyClick(h.item(IDC_FILENAME), Qt::Key_Right, Qt::ControlModifier);
    ExpectTone(expected.spectrum.peaks[3].frequencyHz);
    QTest::keyClick(h.scrollBar(), Qt::Key_Right, Qt::ControlModifier);
    ExpectTone(expected.spectrum.peaks[4].frequencyHz);
    QTest::keyClick(h.item(IDOK), Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(h.item(IDOK), Qt::Key_Left, Qt::ControlModifier);
    ExpectTone(expected.spectrum.peaks[2].frequencyHz);
    // Below the lowest stop there is nothing to go to: the tone stays.
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(h.window(), Qt::Key_Left, Qt::ControlModifier);
    }
    ExpectTone(expected.spectrum.peaks[0].frequencyHz);
}

TEST_F(AnalysisAreaTest, AClickTunesToTheNearPeakElseToTheClampedFrequency) {
    SpectrumView* view = Area()->Spectrum();
    const double nominal = expected.spectrum.peaks[4].frequencyHz;
    const int y = view->height() / 2;
    QTest::mouseClick(view, Qt::LeftButton, {},
                      QPoint(static_cast<int>(view->XOf(nominal)) + 3, y));
    ExpectTone(nominal);
    // Between peaks: the clicked frequency, on the scroll bar's 0.1 Hz steps.
    const int x = static_cast<int>(view->XOf(1000.0));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(x, y));
    ExpectTone(view->FrequencyAt(x));
    // Beyond the tone's range: its end.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(static_cast<int>(view->XOf(3000.0)), y));
    ExpectTone(1500.0);
}

// The table lists what the spectrum names; a row chosen by mouse or key tunes
// to its partial. The spectrum's names of close partials (the prime and tierce
// here lie about 20 pixels apart) never cover one another.
TEST_F(AnalysisAreaTest, ATableRowTunesToItsPartialAndNoNameCoversAnother) {
    std::vector<double> named;
    for (const Peak& peak : expected.spectrum.peaks) {
        if (!peak.partial.empty()) {
            named.push_back(peak.frequencyHz);
        }
    }
    PartialTable* table = Area()->Partials();
    ASSERT_EQ(named.size(), 7U);
    ASSERT_EQ(table->rowCount(), 7);
    EXPECT_EQ(table->item(4, PartialTable::kName)->text(), "nominal");
    EXPECT_EQ(table->item(4, PartialTable::kInterval)->text(), "+0.0");
    EXPECT_EQ(table->item(3, PartialTable::kNote)->text(), "A4 +37.4");
    table->scrollToItem(table->item(4, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(4, 0)).center());
    ExpectTone(named[4]);
    QTest::keyClick(table, Qt::Key_Down);
    ExpectTone(named[5]);

    const std::vector<SpectrumView::Label> labels = Area()->Spectrum()->Labels();
    EXPECT_GE(labels.size(), 6U);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        for (std::size_t j = i + 1; j < labels.size(); ++j) {
            EXPECT_FALSE(labels[i].rect.intersects(labels[j].rect))
                << labels[i].text.toStdString() << " " << labels[j].text.toStdString();
        }
    }
}

}  // namespace
