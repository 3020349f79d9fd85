// SPDX-License-Identifier: GPL-3.0-or-later
#include "RingTable.h"

#include <algorithm>
#include <cmath>

namespace {

std::optional<double> NamedHz(const RecordingAnalysis& analysis, std::string_view name) {
    for (const Peak& peak : analysis.spectrum.peaks) {
        if (peak.partial == name) {
            return peak.frequencyHz;
        }
    }
    return std::nullopt;
}

BellNumbers OwnNumbers(const RingBell& bell, const std::optional<RecordingAnalysis>& analysis) {
    BellNumbers numbers;
    numbers.byEarHz = bell.byEarHz;
    if (!analysis) {
        return numbers;
    }
    numbers.nominalHz = NamedHz(*analysis, "nominal");
    if (analysis->strike) {
        numbers.strikeHz = analysis->strike->frequencyHz;
    }
    if (numbers.strikeHz && numbers.byEarHz) {
        numbers.byEarFromStrikeCents = CentsBetween(*numbers.byEarHz, *numbers.strikeHz);
    }
    for (std::size_t p = 0; p < kUsualIntervals.size() && numbers.nominalHz; ++p) {
        if (std::optional<double> hz = NamedHz(*analysis, kUsualIntervals[p].partial)) {
            numbers.fromNominalCents[p] = CentsBetween(*hz, *numbers.nominalHz);
        }
    }
    return numbers;
}

// Numbers the bells with a nominal from the highest, and sets each one's
// interval from the tenor and deviation from the ring's scale.
void NumberBells(std::vector<RingRow>& rows) {
    const auto tuned = std::stable_partition(
        rows.begin(), rows.end(), [](const RingRow& row) { return row.numbers.nominalHz; });
    std::stable_sort(rows.begin(), tuned, [](const RingRow& a, const RingRow& b) {
        return *a.numbers.nominalHz > *b.numbers.nominalHz;
    });
    const int count = static_cast<int>(tuned - rows.begin());
    if (count == 0) {
        return;
    }
    const double tenorHz = *rows[static_cast<std::size_t>(count - 1)].numbers.nominalHz;
    for (int i = 0; i < count; ++i) {
        RingRow& row = rows[static_cast<std::size_t>(i)];
        row.number = i + 1;
        const double fromTenor = CentsBetween(*row.numbers.nominalHz, tenorHz);
        row.numbers.fromTenorCents = fromTenor;
        row.numbers.scaleDeviationCents =
            fromTenor - 100.0 * ScaleSemitonesAboveTenor(i + 1, count);
    }
}

// Semitones above the key note of the given scale degree (0 = key note),
// through as many octaves as it takes.
int MajorScaleSemitones(int degree) {
    const int notes = static_cast<int>(kMajorScale.size());
    return 12 * (degree / notes) + kMajorScale[static_cast<std::size_t>(degree % notes)];
}

}  // namespace

double CentsBetween(double frequency, double reference) {
    return 1200.0 * std::log2(frequency / reference);
}

double UnusualBy(const UsualInterval& usual, double cents) {
    const double equal = cents - usual.cents;
    if (!usual.justCents) {
        return equal;
    }
    const double just = cents - *usual.justCents;
    return std::abs(just) < std::abs(equal) ? just : equal;
}

int ScaleSemitonesAboveTenor(int number, int count) {
    if (count <= static_cast<int>(kLargestTrebleKeyRing)) {
        // The treble is the key note an octave up; each bell below it a step down the scale.
        const int notes = static_cast<int>(kMajorScale.size());
        const auto aboveKey = [&](int n) { return MajorScaleSemitones(notes + 1 - n); };
        return aboveKey(number) - aboveKey(count);
    }
    return MajorScaleSemitones(count - number);
}

std::vector<RingRow> RingTable(const Ring& ring,
                               std::span<const std::optional<RecordingAnalysis>> analyses) {
    std::vector<RingRow> rows;
    rows.reserve(ring.bells.size());
    for (std::size_t i = 0; i < ring.bells.size(); ++i) {
        static const std::optional<RecordingAnalysis> kNone;
        rows.push_back({i, std::nullopt,
                        OwnNumbers(ring.bells[i], i < analyses.size() ? analyses[i] : kNone)});
    }
    NumberBells(rows);
    return rows;
}
