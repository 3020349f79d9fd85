#include "Oscillator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kTwoPi = Oscillator::kTwoPi;

// Retuning anywhere on the circle, rising or falling, keeps the phase: the new
// previous value is cos(θ - ω_new) for the θ the old pair stood at.
TEST(Oscillator, RetuneKeepsPhaseAllRoundTheCircle) {
    const double oldStep = kTwoPi * 440.0 / 44100.0;
    for (const double newHz : {100.0, 440.1, 1500.0}) {
        const double newStep = kTwoPi * newHz / 44100.0;
        for (int i = 0; i < 64; ++i) {
            const double theta = kTwoPi * (i + 0.5) / 64.0;
            Oscillator osc(std::cos(theta), std::cos(theta - oldStep), 2.0 * std::cos(oldStep));
            osc.Retune(newStep);
            EXPECT_NEAR(osc.Y1(), std::cos(theta), 1e-15);
            EXPECT_NEAR(osc.Y2(), std::cos(theta - newStep), 1e-12) << "theta " << theta;
            EXPECT_NEAR(osc.Next(), std::cos(theta + newStep), 1e-12) << "theta " << theta;
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
