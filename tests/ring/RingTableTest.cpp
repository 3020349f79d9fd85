// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "BellFiles.h"
#include "RingTable.h"

namespace {

constexpr double kTenorHz = 520.0;

struct Tuned {
    double scaleError;              // cents off the scale; 0 for the tenor
    std::array<double, 6> partial;  // cents from the nominal
};

// The bells from the treble down, given to the table in a shuffled order and
// after a recording that yields no bell.
void ExpectRingNumbers(const std::vector<Tuned>& bells) {
    const int count = static_cast<int>(bells.size());
    Ring ring;
    std::vector<std::optional<RecordingAnalysis>> analyses{std::nullopt};
    ring.bells.push_back({"/gone.wav", 600.0, "moved"});
    std::vector<int> order(bells.size());
    for (int i = 0; i < count; ++i) {
        order[static_cast<std::size_t>(i)] = (i * 5 + 3) % count;
    }
    for (int number : order) {
        const Tuned& bell = bells[static_cast<std::size_t>(number)];
        const double fromTenor =
            100.0 * ScaleSemitonesAboveTenor(number + 1, count) + bell.scaleError;
        const std::vector<std::int16_t> samples =
            SyntheticBell(TunedBell(CentsAbove(kTenorHz, fromTenor), bell.partial), kBellRate, 3.2);
        analyses.push_back(AnalyseRecording(samples, kBellRate));
        ring.bells.push_back({QString::number(number), std::nullopt, ""});
    }
    const std::vector<RingRow> rows = RingTable(ring, analyses);
    ASSERT_EQ(rows.size(), bells.size() + 1);
    for (int n = 0; n < count; ++n) {
        const RingRow& row = rows[static_cast<std::size_t>(n)];
        SCOPED_TRACE(testing::Message() << count << " bells, bell " << n + 1);
        ASSERT_EQ(row.number, n + 1);
        EXPECT_EQ(ring.bells[row.bell].recording, QString::number(n));
        const Tuned& bell = bells[static_cast<std::size_t>(n)];
        for (std::size_t p = 0; p < bell.partial.size(); ++p) {
            ASSERT_TRUE(row.numbers.fromNominalCents[p]) << kUsualIntervals[p].partial;
            EXPECT_NEAR(*row.numbers.fromNominalCents[p], bell.partial[p], 1.0)
                << kUsualIntervals[p].partial;
        }
        const double fromTenor = 100.0 * ScaleSemitonesAboveTenor(n + 1, count) + bell.scaleError;
        EXPECT_NEAR(row.numbers.fromTenorCents.value_or(NAN), fromTenor, 0.5);
        EXPECT_NEAR(row.numbers.scaleDeviationCents.value_or(NAN), bell.scaleError, 0.5);
    }
    // The recording with no bell keeps its row, its kept pitch and no numbers.
    const RingRow& last = rows.back();
    EXPECT_EQ(last.bell, 0U);
    EXPECT_EQ(last.number, std::nullopt);
    EXPECT_EQ(last.numbers.byEarHz, 600.0);
    EXPECT_EQ(last.numbers.nominalHz, std::nullopt);
    EXPECT_EQ(last.numbers.fromTenorCents, std::nullopt);
}

// Partials a few cents off their usual intervals, different in each bell.
std::vector<Tuned> TunedRing(std::initializer_list<double> scaleErrors) {
    std::vector<Tuned> bells;
    double shift = 0.0;
    for (double error : scaleErrors) {
        bells.push_back({error,
                         {-2400 + 7 - shift, -1200 - 6 + shift, -884 + 3 + shift, -498 + 9 - shift,
                          702 - 4 + shift, 1200 + 5 - shift}});
        shift += 1.3;
    }
    return bells;
}

TEST(RingTable, FindsEveryIntervalAndNumbersTheBellsByNominalWhateverTheirOrder) {
    ExpectRingNumbers(TunedRing({3.0, -2.5, 1.5, -4.0, 2.0, 0.0}));
    ExpectRingNumbers(TunedRing({-1.5, 2.5, 4.0, -3.0, 1.0, -2.0, 3.5, 0.0}));
}

TEST(RingTable, TunesSmallRingsFromTheTrebleAndLargeOnesFromTheTenor) {
    const struct {
        int count, number, semitones;
    } cases[] = {{8, 1, 12}, {8, 2, 11},  {6, 1, 8},   {6, 5, 1},   {5, 1, 7},
                 {3, 1, 3},  {10, 1, 16}, {12, 1, 19}, {12, 5, 12}, {16, 1, 26}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleSemitonesAboveTenor(c.number, c.count), c.semitones)
            << c.number << " of " << c.count;
        EXPECT_EQ(ScaleSemitonesAboveTenor(c.count, c.count), 0);
    }
}

}  // namespace
