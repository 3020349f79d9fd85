// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "Peak.h"

enum class StrikeBasis {
    kFit234,       // nominal, superquint and octave nominal as 2:3:4
    kHalfNominal,  // only the nominal named
};

// The strike note, the pitch the ear hears: a virtual pitch near half the
// nominal, which may match no partial.
struct StrikeEstimate {
    double frequencyHz = 0.0;
    StrikeBasis basis = StrikeBasis::kHalfNominal;
};

// How the estimate was made, as the command line and the window print it.
std::string_view BasisName(StrikeBasis basis);

// From the named peaks: the fundamental of the least-squares 2:3:4 fit to the
// nominal, superquint and octave nominal when all three are named, else half
// the nominal, else none.
std::optional<StrikeEstimate> EstimateStrike(std::span<const Peak> peaks);
