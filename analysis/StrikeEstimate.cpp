// SPDX-License-Identifier: GPL-3.0-or-later
#include "StrikeEstimate.h"

#include <string>

namespace {

// The stronger peak of that name, if any.
const Peak* Named(std::span<const Peak> peaks, std::string_view name) {
    const Peak* found = nullptr;
    for (const Peak& peak : peaks) {
        if (peak.partial == name && (found == nullptr || peak.levelDb > found->levelDb)) {
            found = &peak;
        }
    }
    return found;
}

// Least squares of f - k F over k = 2, 3, 4: F = sum(k f) / sum(k^2).
double Fit234(const Peak& two, const Peak& three, const Peak& four) {
    return (2.0 * two.frequencyHz + 3.0 * three.frequencyHz + 4.0 * four.frequencyHz) / 29.0;
}

}  // namespace

std::string_view BasisName(StrikeBasis basis) {
    switch (basis) {
        case StrikeBasis::kFit234:
            return "2:3:4 fit";
        case StrikeBasis::kHalfNominal:
            return "half nominal";
        case StrikeBasis::kTubularFit234:
            return "tubular 2:3:4 fit";
    }
    return {};
}

std::optional<StrikeEstimate> EstimateStrike(std::span<const Peak> peaks) {
    const Peak* mode4 = Named(peaks, "mode 4");
    const Peak* mode5 = Named(peaks, "mode 5");
    const Peak* mode6 = Named(peaks, "mode 6");
    if (mode4 != nullptr && mode5 != nullptr && mode6 != nullptr) {
        return StrikeEstimate{Fit234(*mode4, *mode5, *mode6), StrikeBasis::kTubularFit234};
    }
    const Peak* nominal = Named(peaks, "nominal");
    if (nominal == nullptr) {
        return std::nullopt;
    }
    const Peak* superquint = Named(peaks, "superquint");
    const Peak* octave = Named(peaks, "octave nominal");
    if (superquint == nullptr || octave == nullptr) {
        return StrikeEstimate{0.5 * nominal->frequencyHz, StrikeBasis::kHalfNominal};
    }
    return StrikeEstimate{Fit234(*nominal, *superquint, *octave), StrikeBasis::kFit234};
}
