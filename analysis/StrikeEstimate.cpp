// SPDX-License-Identifier: GPL-3.0-or-later
#include "StrikeEstimate.h"

#include <string>

std::string_view BasisName(StrikeBasis basis) {
    return basis == StrikeBasis::kFit234 ? "2:3:4 fit" : "half nominal";
}

std::optional<StrikeEstimate> EstimateStrike(std::span<const Peak> peaks) {
    const auto find = [&](std::string_view name) -> const Peak* {
        for (const Peak& peak : peaks) {
            if (peak.partial == name) {
                return &peak;
            }
        }
        return nullptr;
    };
    const Peak* nominal = find("nominal");
    if (nominal == nullptr) {
        return std::nullopt;
    }
    const Peak* superquint = find("superquint");
    const Peak* octave = find("octave nominal");
    if (superquint == nullptr || octave == nullptr) {
        return StrikeEstimate{0.5 * nominal->frequencyHz, StrikeBasis::kHalfNominal};
    }
    // Least squares of f - k F over k = 2, 3, 4: F = sum(k f) / sum(k^2).
    const double fit =
        (2.0 * nominal->frequencyHz + 3.0 * superquint->frequencyHz + 4.0 * octave->frequencyHz) /
        29.0;
    return StrikeEstimate{fit, StrikeBasis::kFit234};
}
