// SPDX-License-Identifier: GPL-3.0-or-later
#include "LongStretch.h"

#include <algorithm>
#include <cmath>

#include "HalveRate.h"
#include "Stretch.h"

LongStretch LoadLongStretch(std::span<const std::int16_t> samples, int sampleRate,
                            std::size_t onset) {
    LongStretch stretch;
    if (sampleRate <= 0 || onset >= samples.size()) {
        return stretch;
    }
    const std::size_t divisor = RateDivisor(sampleRate);
    const auto longest = static_cast<std::size_t>(std::ceil(kLongStretchSeconds * sampleRate));
    const std::size_t count =
        std::min({longest, 2 * kLongestStretch, samples.size() - onset}) / divisor;
    const std::span<const std::int16_t> from = samples.subspan(onset, count * divisor);
    stretch.sampleRate = static_cast<double>(sampleRate) / static_cast<double>(divisor);
    stretch.divisor = divisor;
    // Too short to filter: no samples.
    if (divisor == 2 && count < 2 * kHalfBand.size()) {
        return stretch;
    }
    stretch.buffer = std::make_unique_for_overwrite<float[]>(count);
    stretch.samples = {stretch.buffer.get(), count};
    if (divisor == 2) {
        HalveRate(from, stretch.samples);
    } else {
        std::copy(from.begin(), from.end(), stretch.samples.begin());
    }
    return stretch;
}
