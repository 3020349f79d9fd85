// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "RecordingAnalysis.h"
#include "Ring.h"

// A named partial other than the nominal, with its usual interval from the
// nominal in cents; the tierce has two (equal-tempered minor third and just).
struct UsualInterval {
    std::string_view partial;  // as the analysis names it
    std::string_view column;   // as the table's header names it
    double cents;
    std::optional<double> justCents;
};

inline constexpr std::array<UsualInterval, 6> kUsualIntervals{{
    {"hum", "hum", -2400.0, std::nullopt},
    {"prime", "prime", -1200.0, std::nullopt},
    {"tierce", "tierce", -900.0, -884.0},
    {"quint", "quint", -498.0, std::nullopt},
    {"superquint", "superquint", 702.0, std::nullopt},
    {"octave nominal", "octave_nominal", 1200.0, std::nullopt},
}};

// A partial's interval this far from its usual one is marked in the table.
inline constexpr double kUnusualCents = 10.0;

// Semitones of a major scale above its key note, one octave.
inline constexpr std::array<int, 7> kMajorScale{0, 2, 4, 5, 7, 9, 11};
// Rings of up to this many bells take the top notes of a major scale whose key
// note is the treble; larger rings a major scale whose key note is the tenor.
inline constexpr std::size_t kLargestTrebleKeyRing = 8;

// Everything the table shows of one bell; each number absent where the
// analysis found nothing to base it on.
struct BellNumbers {
    std::optional<double> nominalHz;
    std::optional<double> strikeHz;
    std::optional<double> byEarHz;
    std::optional<double> byEarFromStrikeCents;
    std::array<std::optional<double>, kUsualIntervals.size()> fromNominalCents;
    std::optional<double> fromTenorCents;
    std::optional<double> scaleDeviationCents;
};

struct RingRow {
    std::size_t bell = 0;       // index into Ring::bells
    std::optional<int> number;  // 1 for the treble (highest nominal); none without a nominal
    BellNumbers numbers;
};

// Pure: the table's rows in bell order (treble first down to the tenor), then
// the bells with no nominal (not analysed yet, no recording, no bell heard) in
// the ring's order. analyses[i] is the analysis of ring.bells[i], if any.
std::vector<RingRow> RingTable(const Ring& ring,
                               std::span<const std::optional<RecordingAnalysis>> analyses);

// Cents from reference up to frequency.
double CentsBetween(double frequency, double reference);

// How far an interval from the nominal lies from the partial's usual one (the
// nearer, for the tierce).
double UnusualBy(const UsualInterval& usual, double cents);

// Semitones above the tenor that bell number (1 = treble) of a ring of count
// bells is tuned to.
int ScaleSemitonesAboveTenor(int number, int count);
