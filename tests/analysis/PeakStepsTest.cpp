// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of the peak finder where a fault would not show in a bell's peaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "HalveRate.h"
#include "PeakFinder.h"
#include "RealFft.h"

namespace {

TEST(StretchTest, StartsAtTheOnsetAndEndsWithTheRecording) {
    for (const auto& [n, smooth] :
         {std::pair<std::size_t, std::size_t>{1, 1}, {7, 6}, {97, 96}, {131072, 131072}}) {
        EXPECT_EQ(SmoothLength(n), smooth) << n;
    }
    // Quiet until sample 50 (below a tenth of the peak), then 1000 more: at 48 kHz
    // the length is even, as the halved transform needs.
    std::vector<std::int16_t> samples(1050, 99);
    std::fill(samples.begin() + 50, samples.end(), -1000);
    const Stretch stretch = FindStretch(samples, 48000);
    EXPECT_EQ(stretch.start, 50U);
    EXPECT_EQ(stretch.length, 2 * SmoothLength(500));
    EXPECT_EQ(FindStretch(samples, 0).length, 0U);
    EXPECT_EQ(FindStretch(samples, 48000, 1000).start, 50U);
    // Past the first minute a louder sound than the strike does not move the
    // onset, though the recording's peak (as a load notes it) is that sound's.
    std::vector<std::int16_t> minute(61 * 100, 0);
    minute[10] = 500;
    minute.back() = 30000;
    EXPECT_EQ(FindStretch(minute, 100, 30000).start, 10U);
}

// A transform whose size's plan is forgotten while it is alive would run a
// destroyed plan (ASan builds see it), and sizes past the kept few would
// stop transforming right: a cosine of 3 cycles gives bin 3 alone.
TEST(RealFftTest, PlansInUseOutliveTheKeptFew) {
    const auto cosineAt3 = [](RealFft& fft) {
        const std::size_t n = fft.Size();
        for (std::size_t i = 0; i < n; ++i) {
            fft.Input()[i] = static_cast<float>(std::cos(
                2 * std::numbers::pi * 3 * static_cast<double>(i) / static_cast<double>(n)));
        }
        fft.Transform();
        return std::abs(fft.Output()[3]) / static_cast<float>(n) * 2 - std::abs(fft.Output()[2]);
    };
    auto held = std::make_unique<RealFft>(96);
    for (std::size_t size = 100; size < 140; size += 2) {
        RealFft passing(size);
        EXPECT_NEAR(cosineAt3(passing), 1.0F, 1e-4F) << size;
    }
    EXPECT_NEAR(cosineAt3(*held), 1.0F, 1e-4F);
}

// Every sample, at the ends and across the blocks the filter reads, is what
// the filter's sum says; halving floats in place gives the same.
TEST(HalveRateTest, EverySampleIsTheFiltersSum) {
    for (const std::size_t n : {10U, 11U, 23U, 2500U}) {
        std::vector<std::int16_t> in(2 * n);
        for (std::size_t i = 0; i < in.size(); ++i) {
            in[i] = static_cast<std::int16_t>(static_cast<int>((i * 7919) % 2001) - 1000);
        }
        std::vector<float> out(n);
        HalveRate(in, out);
        std::vector<float> inPlace(in.begin(), in.end());
        HalveRate(inPlace, std::span(inPlace).first(n));
        const auto odd = [&](std::ptrdiff_t i) {
            return i >= 0 && i < std::ptrdiff_t(n) ? float(in[2 * i + 1]) : 0.0F;
        };
        for (std::ptrdiff_t i = 0; i < std::ptrdiff_t(n); ++i) {
            double sum = 0.5 * in[2 * i];
            for (std::ptrdiff_t j = 0; j < std::ptrdiff_t(kHalfBand.size()); ++j) {
                sum += kHalfBand[j] * (odd(i - j - 1) + odd(i + j));
            }
            EXPECT_NEAR(out[i], sum, 1e-3) << n << " " << i;
            EXPECT_EQ(inPlace[i], out[i]) << n << " " << i;
        }
    }
}

// Power bins by hand: a flat top of two bins, a ripple two bins beside a higher
// top, a top 60 dB down; the curve's few points still show a peak one bin wide.
TEST(PeakPickingTest, OnePeakATopAndNoneBelowTheFloor) {
    std::vector<float> power(2000, 1e-9F);
    const auto put = [&](std::size_t k, std::vector<float> lobe) {
        std::copy(lobe.begin(), lobe.end(), power.begin() + k - lobe.size() / 2);
    };
    put(100, {0.25F, 1.0F, 1.0F, 0.25F});
    put(300, {0.1F, 0.5F, 0.2F, 0.3F, 0.1F});
    put(500, {1e-6F, 2e-6F, 1e-6F});
    put(1500, {0.1F, 1.0F, 0.1F});
    const BinRange range{5, 1990, 1.0};
    const PickedPeaks picked = PickPeaks(power, range);
    ASSERT_EQ(picked.peaks.size(), 3U);
    EXPECT_NEAR(picked.peaks[0].frequencyHz, 99.5, 1e-9);
    EXPECT_NEAR(picked.peaks[1].frequencyHz, 299.0, 0.5);
    EXPECT_NEAR(picked.peaks[2].frequencyHz, 1500.0, 1e-9);
    const std::vector<float> curve = SpectrumCurve(power, range, 5.0, 1990.0, picked.strongestLog);
    EXPECT_NEAR(*std::max_element(curve.begin() + 1000, curve.end()),
                -picked.strongestLog * kDbPerNeper, 1e-4);
}

}  // namespace
