// SPDX-License-Identifier: GPL-3.0-or-later
#include "Oscillator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kTwoPi = Oscillator::kTwoPi;

// A retune keeps the phase wherever it falls: the new previous value is
// cos(θ - ω_new) and the next sample cos(θ + ω_new) for the θ the old pair stood
// at. The phases crowd around crests, troughs and zero crossings, where a crest
// between the last two samples once turned the wave back.
TEST(Oscillator, RetuneKeepsPhaseAroundCrestsTroughsAndCrossings) {
    const struct {
        double fromHz, toHz;
    } retunes[] = {{100.0, 100.1},   {100.1, 100.0},  {440.0, 440.1},
                   {440.0, 450.0},   {450.0, 440.0},  {1500.0, 1499.9},
                   {1490.0, 1500.0}, {100.0, 1500.0}, {1500.0, 100.0}};
    for (const auto& retune : retunes) {
        const double oldStep = kTwoPi * retune.fromHz / 44100.0;
        const double newStep = kTwoPi * retune.toHz / 44100.0;
        for (const double landmark : {0.0, 0.25, 0.5, 0.75}) {
            for (int j = -16; j <= 16; ++j) {
                const double theta = kTwoPi * landmark + oldStep * j / 8.0;
                Oscillator osc(std::cos(theta), std::cos(theta - oldStep), 2.0 * std::cos(oldStep));
                osc.Retune(newStep);
                const auto where = ::testing::Message() << retune.fromHz << "->" << retune.toHz
                                                        << " Hz at theta " << theta;
                EXPECT_NEAR(osc.Y2(), std::cos(theta - newStep), 1e-9) << where;
                EXPECT_NEAR(osc.Next(), std::cos(theta + newStep), 1e-9) << where;
            }
        }
    }
}

// Driven as the stream drives it, a retune at the start of every 8192-frame
// fill, sweeping 0.35 Hz a fill, for ten minutes of signal: at every retune the
// recurrence's remainder stays within the change of step, |ω_old - ω_new|; a wave
// that turns back leaves up to 2·sin²ω, a hundred times more.
TEST(Oscillator, TenMinutesOfRetunesLeaveNoKink) {
    constexpr int kFrames = 8192;
    constexpr int kFills = 10 * 60 * 44100 / kFrames;
    for (const double baseHz : {440.0, 1400.0}) {
        Oscillator osc = Oscillator::Start(baseHz, 44100.0);
        double older = 1.0;
        double old = osc.Y1();
        for (int fill = 0; fill < kFills; ++fill) {
            const double hz = baseHz + 0.35 * (fill % 200 < 100 ? fill % 100 : 100 - fill % 100);
            const double oldStep = std::acos(0.5 * osc.K());
            const double newStep = kTwoPi * hz / 44100.0;
            osc.Retune(newStep);
            for (int n = 0; n < kFrames; ++n) {
                const double v = osc.Next();
                if (n == 0) {
                    ASSERT_LT(std::abs(v + older - osc.K() * old),
                              std::abs(oldStep - newStep) + 1e-9)
                        << baseHz << " Hz, fill " << fill;
                }
                older = old;
                old = v;
            }
        }
    }
}

// |y1| can creep just above 1 on a peak; a retune there must not put a NaN
// into the recurrence, and the wave must carry on at amplitude 1.
TEST(Oscillator, RetuneOnAPeakAboveOneStaysFinite) {
    const double above = std::nextafter(1.0, 2.0);
    const struct {
        double y1, y2;
    } peaks[] = {{above, 0.999}, {-above, -0.999}, {1.0 + 1e-9, 1.0 + 1e-9}, {above, above}};
    for (const auto& peak : peaks) {
        Oscillator osc(peak.y1, peak.y2, 2.0 * std::cos(0.01));
        osc.Retune(kTwoPi * 1000.0 / 44100.0);
        ASSERT_TRUE(std::isfinite(osc.Y2())) << peak.y1 << " " << peak.y2;
        double peakSeen = 0.0;
        for (int n = 0; n < 44100; ++n) {
            const double v = osc.Next();
            ASSERT_TRUE(std::isfinite(v));
            peakSeen = std::max(peakSeen, std::abs(v));
        }
        EXPECT_NEAR(peakSeen, 1.0, 1e-6);
    }
}

}  // namespace
