// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockLevel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFullScale = 32768.0;

bool AtFullScale(std::int16_t sample) {
    return sample == INT16_MAX || sample == INT16_MIN;
}

}  // namespace

double BlockLevel::DbOfMeanSquare(double meanSquare) {
    const double floor = std::pow(10.0, kSilenceDb / 10.0);
    return 10.0 * std::log10(std::max(meanSquare, floor));
}

BlockLevel BlockLevel::Of(std::span<const std::int16_t> samples) {
    BlockLevel level;
    if (samples.empty()) {
        return level;
    }
    double sum = 0.0;
    for (const std::int16_t sample : samples) {
        sum += double(sample) * double(sample);
        level.clipped = level.clipped || AtFullScale(sample);
    }
    level.dbfs = DbOfMeanSquare(sum / (double(samples.size()) * kFullScale * kFullScale));
    return level;
}
