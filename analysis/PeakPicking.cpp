// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeakPicking.h"

#include <algorithm>
#include <cmath>

namespace {

// A peak is the highest point within this many bins of the stretch's own
// resolution either side: the top of its own main lobe (4 bins wide either
// side), not a ripple on a flank.
constexpr std::size_t kPeakNeighbourhoodBins = 2;
// Most peaks kept, strongest first, so a noisy file gives a readable list.
constexpr std::size_t kMostPeaks = 60;

struct Top {
    double frequencyHz;
    double logLevel;
};

bool IsHighestAround(std::span<const float> power, BinRange range, std::size_t k) {
    const float here = power[k];
    if (here <= power[k - 1] || here < power[k + 1]) {
        return false;
    }
    const std::size_t from = std::max(range.low - 1, k - std::min(k, kPeakNeighbourhoodBins));
    const std::size_t to = std::min(range.high + 1, k + kPeakNeighbourhoodBins);
    for (std::size_t j = from; j <= to; ++j) {
        const bool lower = j == k || power[j] < here || (power[j] == here && j > k);
        if (!lower) {
            return false;  // a flat top counts once
        }
    }
    return true;
}

std::vector<std::size_t> LocalMaxima(std::span<const float> power, BinRange range) {
    std::vector<std::size_t> maxima;
    if (range.high < range.low + 2) {
        for (std::size_t k = range.low; k <= range.high; ++k) {
            if (IsHighestAround(power, range, k)) {
                maxima.push_back(k);
            }
        }
        return maxima;
    }
    // Between the ends the whole neighbourhood is in range, and the test is
    // made without branches: a noisy spectrum's maxima come at random, one
    // bin in a few, and would mislead the branch predictor at each.
    static_assert(kPeakNeighbourhoodBins == 2);
    maxima.resize(range.high - range.low + 1);
    std::size_t count = 0;
    maxima[count] = range.low;
    count += IsHighestAround(power, range, range.low) ? 1 : 0;
    for (std::size_t k = range.low + 1; k < range.high; ++k) {
        const float here = power[k];
        // A flat top counts once, at its first bin.
        const auto below = [&](std::size_t j) { return static_cast<unsigned>(power[j] < here); };
        const auto notAbove = [&](std::size_t j) {
            return static_cast<unsigned>(power[j] <= here);
        };
        const unsigned highest = below(k - 2) & below(k - 1) & notAbove(k + 1) & notAbove(k + 2);
        maxima[count] = k;
        count += highest;
    }
    maxima[count] = range.high;
    count += IsHighestAround(power, range, range.high) ? 1 : 0;
    maxima.resize(count);
    return maxima;
}

// The maxima that may reach the floor, refined between bins.
std::vector<Top> RefinedTops(std::span<const float> power, BinRange range,
                             std::span<const std::size_t> maxima) {
    // A peak whose top bin lies this far below the loudest one's cannot reach
    // the floor, whatever the interpolation adds (under 1 dB); skipping it
    // spares the logarithms of the noise's many ripples.
    float loudest = 0.0F;
    for (const std::size_t k : maxima) {
        loudest = std::max(loudest, power[k]);
    }
    const auto quietest = static_cast<float>(loudest * std::pow(10.0, (kPeakFloorDb - 1.0) / 10.0));
    std::vector<Top> tops;
    for (const std::size_t k : maxima) {
        if (power[k] < quietest) {
            continue;
        }
        const LobeTop top = ParabolaTop(power, k);
        tops.push_back({(static_cast<double>(k) + top.offsetBins) * range.binHz, top.logLevel});
    }
    return tops;
}

// Drops the tops below the floor, then all but the kMostPeaks strongest.
void KeepStrongest(std::vector<Top>& tops, double strongest) {
    std::erase_if(tops, [&](const Top& top) {
        return (top.logLevel - strongest) * kDbPerNeper < kPeakFloorDb;
    });
    if (tops.size() > kMostPeaks) {
        std::nth_element(tops.begin(), tops.begin() + kMostPeaks, tops.end(),
                         [](const Top& x, const Top& y) { return x.logLevel > y.logLevel; });
        tops.resize(kMostPeaks);
        std::sort(tops.begin(), tops.end(),
                  [](const Top& x, const Top& y) { return x.frequencyHz < y.frequencyHz; });
    }
}

}  // namespace

PickedPeaks PickPeaks(std::span<const float> power, BinRange range) {
    std::vector<Top> tops = RefinedTops(power, range, LocalMaxima(power, range));
    if (tops.empty()) {
        return {};
    }
    PickedPeaks picked;
    picked.strongestLog =
        std::max_element(tops.begin(), tops.end(), [](const Top& x, const Top& y) {
            return x.logLevel < y.logLevel;
        })->logLevel;
    KeepStrongest(tops, picked.strongestLog);
    for (const Top& top : tops) {
        Peak& peak = picked.peaks.emplace_back();
        peak.frequencyHz = top.frequencyHz;
        peak.levelDb = (top.logLevel - picked.strongestLog) * kDbPerNeper;
    }
    return picked;
}
