// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "Peak.h"

// A bell partial: its usual frequency as a ratio to the bell's reference
// partial, and how far a peak may lie from it, in cents, and still take its
// name.
struct BellPartial {
    std::string_view name;
    double ratio;
    double toleranceCents;
};

enum class BellKind {
    kNone,     // fits neither: no names, no strike
    kChurch,   // partials named from the nominal
    kTubular,  // a tubular bell or chime: a free bar's modes, named from mode 4
};

// A church bell, from its nominal. Tierce, superquint and octave nominal are
// the most consistent in tuned and old bells alike; the hum, prime and
// especially the quint wander further in untuned bells. The octave nominal's
// tolerance also takes in the sixth mode of a tubular bell.
inline constexpr std::string_view kNominal = "nominal";
inline constexpr std::array<BellPartial, 6> kBellPartials{{
    {"hum", 0.25, 100.0},
    {"prime", 0.5, 100.0},
    {"tierce", 0.6, 50.0},
    {"quint", 0.75, 100.0},
    {"superquint", 1.5, 60.0},
    {"octave nominal", 2.0, 80.0},
}};

// A tubular bell or chime, from its fourth mode: the modes of a free bar lie
// as the squares of the odd numbers (9 : 25 : 49 : 81 : 121 : 169 : 225).
// Makers shorten and plug the tube until modes 4, 5 and 6 lie near 2 : 3 : 4,
// which pulls the fifth and sixth (and the seventh further) below the bar's
// ratios, so those take wider tolerances below.
inline constexpr std::string_view kMode4 = "mode 4";
inline constexpr std::array<BellPartial, 5> kTubularModes{{
    {"mode 2", 25.0 / 81.0, 60.0},
    {"mode 3", 49.0 / 81.0, 60.0},
    {"mode 5", 121.0 / 81.0, 60.0},
    {"mode 6", 169.0 / 81.0, 80.0},
    {"mode 7", 225.0 / 81.0, 120.0},
}};

// The reference partial is at most this far below the strongest peak: a
// bell's loudest partial, or near it.
inline constexpr double kNominalFloorDb = -15.0;
// A bell shows at least this many partials besides its reference, the ones
// that make its kind among them (a church bell's tierce: no harmonic series
// has a partial at 0.6 of a strong one together with the others; a tubular
// bell's modes 5 and 6, which give its note), each no more than
// kQuietestPartialDb below the strongest peak (a bell's partials are heard
// together), and the named partials carry at least this share of the power
// from a little below the reference's lowest partial up (a voice spreads its
// power over many harmonics, a synthesised sound over many tones).
inline constexpr int kFewestPartials = 3;
inline constexpr double kQuietestPartialDb = -35.0;
inline constexpr double kLeastNamedShare = 0.7;
// A second peak within a named partial's tolerance, at most this far below
// it, is that partial's doublet.
inline constexpr double kDoubletFloorDb = -20.0;

// The reference partial's name of a kind of bell; empty for kNone.
std::string_view ReferencePartial(BellKind kind);

// Names the peaks (ascending frequency) of a church or tubular bell, as the
// kind whose partials it shows more of (a church bell's when as many), and
// both peaks of a doublet; leaves every name empty and gives kNone when the
// peaks are neither's.
BellKind NameBellPartials(std::span<Peak> peaks);
