// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "NoteName.h"
#include "RecordingAnalysis.h"
#include "SyntheticBell.h"

namespace {

constexpr int kRate = 44100;

// A church bell's partials as ratios to its nominal, with the levels and
// decays a bell of that nominal has: larger bells ring longer.
std::vector<SyntheticPartial> ChurchBell(double nominalHz) {
    const double ring = 600.0 / nominalHz;  // decays scale with size
    const auto at = [&](double ratio, double db, double decay, const char* name) {
        return SyntheticPartial{ratio * nominalHz, db, decay * ring, name};
    };
    return {
        at(0.2508, -6, 6.0, "hum"),
        at(0.5017, -8, 4.0, "prime"),
        at(0.5962, -6, 3.0, "tierce"),
        at(0.7493, -20, 2.0, "quint"),
        at(1.0, 0, 2.5, "nominal"),
        at(1.4982, -10, 1.5, "superquint"),
        at(2.0061, -14, 1.2, "octave nominal"),
        at(2.6, -28, 0.8, ""),
    };
}

// A tubular bell: modes 2 to 7 of a free bar, (2n+1)^2 apart; the strike comes
// from modes 4, 5 and 6.
std::vector<SyntheticPartial> TubularBell(double mode4Hz) {
    const auto mode = [&](double squared, double db, double decay, const char* name) {
        return SyntheticPartial{squared / 81.0 * mode4Hz, db, decay, name};
    };
    return {mode(25, -12, 3.0, "mode 2"), mode(49, -6, 2.5, "mode 3"),
            mode(81, 0, 2.0, "mode 4"),   mode(121, -3, 1.5, "mode 5"),
            mode(169, -8, 1.2, "mode 6"), mode(225, -15, 1.0, "mode 7")};
}

// A bell whose quint is split: a second peak apartHz above it.
std::vector<SyntheticPartial> DoubletBell(double apartHz) {
    std::vector<SyntheticPartial> bell = ChurchBell(800.0);
    bell.push_back({0.7493 * 800.0 + apartHz, -22, 2.0, "quint"});
    return bell;
}

// The level a partial shows: its amplitude averaged over the analysed
// stretch with the analysis window's weights, relative to the strongest.
std::vector<double> ExpectedLevels(const std::vector<SyntheticPartial>& bell, Stretch stretch,
                                   std::size_t lead) {
    std::vector<double> levels;
    for (const SyntheticPartial& p : bell) {
        double weighted = 0.0;
        double weights = 0.0;
        for (std::size_t n = 0; n < stretch.length; n += 16) {
            const double t = static_cast<double>(stretch.start + n - lead) / kRate;
            const double w = AnalysisWindow(n, stretch.length);
            weighted += w * std::exp(-t / p.decaySeconds);
            weights += w;
        }
        levels.push_back(p.levelDb + 20.0 * std::log10(weighted / weights));
    }
    const double top = *std::max_element(levels.begin(), levels.end());
    for (double& level : levels) {
        level -= top;
    }
    return levels;
}

// Half the nominal, or the fundamental of the least-squares 2:3:4 fit.
double ExpectedStrike(const std::vector<SyntheticPartial>& bell, StrikeBasis basis) {
    const auto hz = [&](const char* name) {
        return std::ranges::find(bell, std::string(name), &SyntheticPartial::name)->frequencyHz;
    };
    if (basis == StrikeBasis::kTubularFit234) {
        return (2 * hz("mode 4") + 3 * hz("mode 5") + 4 * hz("mode 6")) / 29.0;
    }
    return basis == StrikeBasis::kHalfNominal
               ? 0.5 * hz("nominal")
               : (2 * hz("nominal") + 3 * hz("superquint") + 4 * hz("octave nominal")) / 29.0;
}

struct BellCase {
    const char* label;
    std::vector<SyntheticPartial> partials;
    double seconds;
    StrikeBasis basis;
    double beatHz = 0.0;  // of the doublet, if any
};

class BellTest : public testing::TestWithParam<BellCase> {};

TEST_P(BellTest, FindsEveryPartialWithItsLevelNameAndTheStrike) {
    const BellCase& bell = GetParam();
    const std::vector<std::int16_t> samples = SyntheticBell(bell.partials, kRate, bell.seconds);
    const std::optional<RecordingAnalysis> analysis = AnalyseRecording(samples, kRate);
    ASSERT_TRUE(analysis);
    const std::vector<Peak>& peaks = analysis->spectrum.peaks;
    const std::vector<double> levels =
        ExpectedLevels(bell.partials, analysis->spectrum.stretch, kRate / 10);
    std::size_t shown = 0;
    for (std::size_t i = 0; i < bell.partials.size(); ++i) {
        const SyntheticPartial& partial = bell.partials[i];
        if (levels[i] < -40.0) {
            continue;
        }
        ++shown;
        const auto found = std::min_element(peaks.begin(), peaks.end(), [&](auto& a, auto& b) {
            return std::abs(a.frequencyHz - partial.frequencyHz) <
                   std::abs(b.frequencyHz - partial.frequencyHz);
        });
        ASSERT_NE(found, peaks.end());
        EXPECT_EQ(found->partial, partial.name) << partial.frequencyHz;
        if (found->beatHz) {
            // A doublet: its two peaks beat at their distance; each decays as the
            // pair beats, and a merged pair's level is parted only roughly.
            EXPECT_NEAR(found->frequencyHz, partial.frequencyHz, 0.1) << partial.frequencyHz;
            EXPECT_NEAR(*found->beatHz, bell.beatHz, 0.1) << partial.frequencyHz;
            continue;
        }
        EXPECT_NEAR(found->frequencyHz, partial.frequencyHz, 0.05) << partial.frequencyHz;
        EXPECT_NEAR(found->levelDb, levels[i], 1.0) << partial.frequencyHz;
        if (!partial.name.empty()) {
            const double decay = 20.0 / std::numbers::ln10 / partial.decaySeconds;
            ASSERT_TRUE(found->decayDbPerSecond) << partial.frequencyHz;
            EXPECT_NEAR(*found->decayDbPerSecond, decay, 0.05 * decay) << partial.frequencyHz;
        }
    }
    // Nothing but the partials: no side lobe, no noise.
    EXPECT_GE(peaks.size(), shown);
    EXPECT_LE(peaks.size(), bell.partials.size());
    ASSERT_TRUE(analysis->strike);
    EXPECT_EQ(analysis->strike->basis, bell.basis);
    EXPECT_NEAR(analysis->strike->frequencyHz, ExpectedStrike(bell.partials, bell.basis), 0.5);
}

std::vector<SyntheticPartial> WithoutPartial(std::vector<SyntheticPartial> bell, const char* name) {
    std::erase_if(bell, [&](auto& p) { return p.name == name; });
    return bell;
}

INSTANTIATE_TEST_SUITE_P(
    Bells, BellTest,
    testing::Values(BellCase{"large", ChurchBell(290.0), 8.0, StrikeBasis::kFit234},
                    BellCase{"middle", ChurchBell(612.3), 5.0, StrikeBasis::kFit234},
                    BellCase{"small", ChurchBell(1450.0), 4.0, StrikeBasis::kFit234},
                    BellCase{"no_superquint", WithoutPartial(ChurchBell(700.0), "superquint"), 5.0,
                             StrikeBasis::kHalfNominal},
                    BellCase{"tubular", TubularBell(1046.5), 4.0, StrikeBasis::kTubularFit234},
                    BellCase{"doublet", DoubletBell(2.0), 3.0, StrikeBasis::kFit234, 2.0},
                    BellCase{"close_doublet", DoubletBell(0.5), 6.0, StrikeBasis::kFit234, 0.5}),
    [](const auto& test) { return std::string(test.param.label); });

// A pure sine (one peak), a harmonic tone (twenty and more), silence and no
// samples (none): no partial is named and no strike is given.
TEST(NotABellTest, NoNamesAndNoStrike) {
    std::vector<SyntheticPartial> voice;
    for (int h = 1; h <= 24; ++h) {
        voice.push_back({h * 110.0, -1.5 * h, 1e9, ""});
    }
    const std::vector<SyntheticPartial> pure{{440.0, 0, 1e9, ""}};
    const std::vector<std::int16_t> sine = SyntheticBell(pure, kRate, 3.0);
    const std::vector<std::int16_t> harmonic = SyntheticBell(voice, kRate, 3.0);
    const std::vector<std::int16_t> silence(kRate * 2, 0);
    const std::pair<std::span<const std::int16_t>, std::size_t> cases[] = {
        {sine, 1}, {harmonic, 20}, {silence, 0}, {{}, 0}};
    for (const auto& [samples, peaks] : cases) {
        const auto analysis = AnalyseRecording(samples, kRate);
        ASSERT_TRUE(analysis);
        const std::vector<Peak>& found = analysis->spectrum.peaks;
        EXPECT_GE(found.size(), peaks);
        if (peaks <= 1) {
            ASSERT_EQ(found.size(), peaks);
            EXPECT_EQ(analysis->spectrum.curveDb.empty(), peaks == 0);
        }
        if (peaks == 1) {
            EXPECT_NEAR(found[0].frequencyHz, 440.0, 0.005);
        }
        for (const Peak& peak : found) {
            EXPECT_EQ(peak.partial, "") << peak.frequencyHz;
        }
        EXPECT_FALSE(analysis->strike);
    }
}

// A decay needs 0.3 s of a peak clear of the noise: a quarter of a second of
// a bell gives its peak and no decay, four seconds the decay as it is.
TEST(AnalysisTest, ADecayOnlyFromLongEnoughARecording) {
    const std::vector<SyntheticPartial> bell{{600.0, 0, 2.0, ""}};
    for (const double seconds : {0.35, 4.0}) {
        const auto analysis = AnalyseRecording(SyntheticBell(bell, kRate, seconds), kRate);
        ASSERT_TRUE(analysis);
        ASSERT_EQ(analysis->spectrum.peaks.size(), 1U);
        const std::optional<double> decay = analysis->spectrum.peaks[0].decayDbPerSecond;
        EXPECT_EQ(decay.has_value(), seconds > 1.0);
        EXPECT_NEAR(decay.value_or(4.343), 20.0 / std::numbers::ln10 / 2.0, 0.1);
    }
}

TEST(AnalysisTest, AStopRequestEndsTheAnalysis) {
    std::stop_source stop;
    stop.request_stop();
    const std::vector<SyntheticPartial> sine{{440.0, 0, 1e9, ""}};
    EXPECT_FALSE(AnalyseRecording(SyntheticBell(sine, kRate, 1.0), kRate, stop.get_token()));
}

TEST(NoteNameTest, NamesTheNearestNoteWithItsCents) {
    struct Case {
        double hz;
        double a4;
        const char* name;
        const char* cents;
    };
    for (const Case& c : {Case{440.0, 440.0, "A4", "+0.0"}, Case{261.6256, 440.0, "C4", "+0.0"},
                          Case{277.0, 440.0, "C#4", "-1.1"}, Case{27.5, 440.0, "A0", "+0.0"},
                          Case{4186.01, 440.0, "C8", "+0.0"}, Case{450.0, 440.0, "A4", "+38.9"},
                          Case{454.0, 440.0, "A#4", "-45.8"}, Case{440.0, 442.0, "A4", "-7.9"},
                          Case{65.0, 440.0, "C2", "-10.8"}}) {
        const NoteName note = NoteOf(c.hz, c.a4);
        EXPECT_EQ(note.name, c.name) << c.hz;
        EXPECT_EQ(FormatCents(note.cents), c.cents) << c.hz;
    }
}

}  // namespace
