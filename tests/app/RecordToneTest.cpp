// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSettings>
#include <algorithm>
#include <cstdlib>

#include "DialogHarness.h"
#include "FakeCapture.h"

namespace {

// The output closes while a take is recorded with the tone silenced; a take
// that saves nothing (here: no strike) gives the tone back as it was, open
// again at its rate and frequency, at the volume set meanwhile (and silent
// until then), gliding in from silence rather than jumping to full amplitude.
TEST(RecordTone, ATakeThatSavesNothingGivesTheToneBackAsSetMeanwhile) {
    // The fake input hears 5 s a second: the wait takes 2 s.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane");
    settings.setValue("Record/NoStrikeWait", 10);
    settings.sync();
    DialogHarness h(false);
    h.dialog->SetCaptureSource(std::make_unique<FakeCapture>());
    ASSERT_TRUE(h.Create());
    const ToneEngine& engine = h.dialog->Engine();
    const std::uint32_t rate = engine.SampleRate();
    const double hz = engine.Frequency();

    h.dialog->Record()->RecordButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.IsOpen(); }, 5000));
    QTest::keyClick(h.trackbar(), Qt::Key_End);
    EXPECT_EQ(engine.Amplitude(), 0);
    const std::size_t written = h.device.WrittenBuffers().size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !h.dialog->Record()->IsRecording(); }, 10000));

    ASSERT_TRUE(engine.IsOpen());
    const std::int32_t full = 100 * 327;
    EXPECT_EQ(engine.Amplitude(), full);
    EXPECT_EQ(engine.SampleRate(), rate);
    EXPECT_EQ(engine.Frequency(), hz);
    const std::vector<std::int16_t> back = Channel(h.device.WrittenBuffers().at(written).values, 0);
    EXPECT_LE(std::abs(back[0]), full / 256);
    EXPECT_GE(*std::max_element(back.begin(), back.end()), full * 99 / 100);
    settings.remove("Record/NoStrikeWait");
}

}  // namespace
