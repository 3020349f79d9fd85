// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "Peak.h"

enum class StrikeBasis {
    kFit234,         // nominal, superquint and octave nominal as 2:3:4
    kHalfNominal,    // only the nominal named
    kTubularFit234,  // a tubular bell's modes 4, 5 and 6 as 2:3:4
};

// The strike note, the pitch the ear hears: a virtual pitch near half the
// nominal (a tubular bell's: near half its fourth mode), which may match no
// partial.
struct StrikeEstimate {
    double frequencyHz = 0.0;
    StrikeBasis basis = StrikeBasis::kHalfNominal;
};

// How the estimate was made, as the command line and the window print it.
std::string_view BasisName(StrikeBasis basis);

// From the named peaks: the fundamental of the least-squares 2:3:4 fit to a
// tubular bell's modes 4, 5 and 6 when they are named, else to the nominal,
// superquint and octave nominal when all three are, else half the nominal,
// else none. Of a doublet, the stronger peak counts.
std::optional<StrikeEstimate> EstimateStrike(std::span<const Peak> peaks);
