// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "Peak.h"

// A bell partial: its usual frequency as a ratio to the nominal, and how far a
// peak may lie from it, in cents, and still take its name. Tierce, superquint
// and octave nominal are the most consistent in tuned and old bells alike; the
// hum, prime and especially the quint wander further in untuned bells. The
// octave nominal's tolerance also takes in the sixth mode of a tubular bell.
struct BellPartial {
    std::string_view name;
    double ratio;
    double toleranceCents;
};

inline constexpr std::string_view kNominal = "nominal";
inline constexpr std::array<BellPartial, 6> kBellPartials{{
    {"hum", 0.25, 100.0},
    {"prime", 0.5, 100.0},
    {"tierce", 0.6, 50.0},
    {"quint", 0.75, 100.0},
    {"superquint", 1.5, 60.0},
    {"octave nominal", 2.0, 80.0},
}};

// The nominal is at most this far below the strongest peak.
inline constexpr double kNominalFloorDb = -20.0;
// A bell shows at least this many partials besides the nominal, the tierce
// among them (no harmonic series has a partial at 0.6 of a strong one together
// with the others), and the named partials carry at least this share of the
// power between a fifth of the nominal and 2.2 times it (a voice spreads its
// power over many harmonics in that range).
inline constexpr int kFewestPartials = 3;
inline constexpr double kLeastNamedShare = 0.7;

// Names the peaks (ascending frequency) of a bell; leaves every name empty when
// the peaks are not a bell's.
void NameBellPartials(std::span<Peak> peaks);
