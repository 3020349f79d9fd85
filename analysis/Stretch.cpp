// SPDX-License-Identifier: GPL-3.0-or-later
#include "Stretch.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest magnitude of the samples.
int PeakMagnitude(std::span<const std::int16_t> samples) {
    std::int16_t low = 0;
    std::int16_t high = 0;
    for (const std::int16_t v : samples) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return std::max(int{high}, -int{low});
}

}  // namespace

std::size_t RateDivisor(int sampleRate) {
    return sampleRate >= kHalvedFromRate ? 2 : 1;
}

std::size_t SmoothLength(std::size_t n) {
    std::size_t best = 0;
    for (std::size_t p5 = 1; p5 <= n; p5 *= 5) {
        for (std::size_t p3 = p5; p3 <= n; p3 *= 3) {
            std::size_t p2 = p3;
            while (2 * p2 <= n) {
                p2 *= 2;
            }
            best = std::max(best, p2);
        }
    }
    return best;
}

Stretch FindStretch(std::span<const std::int16_t> samples, int sampleRate,
                    std::optional<int> peakMagnitude) {
    if (sampleRate <= 0) {
        return {};
    }
    const auto searched =
        std::min(samples.size(), static_cast<std::size_t>(kOnsetSearchSeconds * sampleRate));
    // The whole recording's peak is the search's when the search reads it all.
    const int peak = peakMagnitude && searched == samples.size()
                         ? *peakMagnitude
                         : PeakMagnitude(samples.first(searched));
    if (peak == 0) {
        return {};
    }
    const double threshold = kOnsetFraction * peak;
    std::size_t onset = 0;
    while (std::abs(static_cast<int>(samples[onset])) < threshold) {
        ++onset;
    }
    const std::size_t divisor = RateDivisor(sampleRate);
    const auto longest = static_cast<std::size_t>(std::ceil(kStretchSeconds * sampleRate));
    const std::size_t length = std::min({longest, kLongestStretch, samples.size() - onset});
    return {onset, divisor * SmoothLength(length / divisor)};
}
