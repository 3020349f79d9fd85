// SPDX-License-Identifier: GPL-3.0-or-later
// The take's rules and the level meter on fixed sample blocks: no device.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "BlockLevel.h"
#include "HeardBell.h"
#include "TakeRecorder.h"

namespace {

// The meter reads RMS against a full-scale square, and full scale is either extreme.
TEST(BlockLevel, DbfsAndClippingOfFixedBlocks) {
    const struct {
        std::vector<std::int16_t> block;
        double dbfs;
        bool clipped;
    } cases[] = {{{}, BlockLevel::kSilenceDb, false}, {{16384, -16384}, -6.0206, false},
                 {{32766, -32767}, -0.0002, false},   {{32767, 0, 0, 0}, -6.0206, true},
                 {{0, -32768}, -3.0103, true},        {{1, -1}, -90.309, false}};
    for (const auto& c : cases) {
        EXPECT_NEAR(BlockLevel::Of(c.block).dbfs, c.dbfs, 0.001) << c.block.size();
        EXPECT_EQ(BlockLevel::Of(c.block).clipped, c.clipped) << c.block.size();
    }
}

struct TakeCase {
    const char* name;
    double seconds, noiseDb, onset, peak, tau, wait;
    double stopAt;  // manual stop after this many seconds fed; < 0: none
    TakeEnd end;
    double takeSeconds;  // expected length of the kept take, +-100 ms; 0: nothing kept
};

constexpr TakeCase kTakes[] = {
    // 45 dB below the peak is 5.18 time constants after it, judged on the last 100 ms.
    {"bell decays", 8, -60, 1.234, 20000, 0.5, 60, -1, TakeEnd::kDecayed, 0.6 + 2.59},
    {"bell into silence", 8, -200, 0.9, 20000, 0.3, 60, -1, TakeEnd::kDecayed, 0.6 + 1.55},
    {"strike just after the background", 8, -60, 0.52, 20000, 0.5, 60, -1, TakeEnd::kDecayed,
     0.6 + 2.59},
    {"a held note stops at the limit", 40, -60, 2, 20000, 0, 60, -1, TakeEnd::kTimeLimit, 30.5},
    {"a rise of 15 dB is no strike", 12, -40, 1, 180, 0, 10, -1, TakeEnd::kNoStrike, 0},
    {"a silent input waits it out", 12, -200, 0, 0, 0, 10, -1, TakeEnd::kNoStrike, 0},
    {"a quiet strike on a dead input", 12, -200, 1, 100, 0, 10, -1, TakeEnd::kNoStrike, 0},
    {"stopped after the strike", 12, -60, 2, 20000, 0, 60, 5, TakeEnd::kStopped, 3.5},
    {"stopped before a strike", 12, -60, 9, 20000, 0, 60, 5, TakeEnd::kStopped, 0},
};

// The rules hold whatever the block sizes the queue happens to deliver.
TEST(TakeRecorder, StrikeAndStopRulesOnAnyBlocks) {
    for (const TakeCase& c : kTakes) {
        const std::vector<std::int16_t> heard =
            HeardBell(c.seconds, c.noiseDb, c.onset, c.peak, c.tau);
        const std::size_t stopAt = c.stopAt < 0 ? heard.size() : std::size_t(c.stopAt * 48000);
        std::vector<std::int16_t> first;
        for (const std::size_t block : {std::size_t{1}, std::size_t{441}, std::size_t{4096}}) {
            SCOPED_TRACE(testing::Message() << c.name << ", blocks of " << block);
            TakeRecorder take(48000, c.wait);
            for (std::size_t at = 0; at < stopAt && take.End() == TakeEnd::kNone; at += block) {
                take.Feed(std::span(heard).subspan(at, std::min(block, stopAt - at)));
            }
            take.Stop();
            EXPECT_EQ(take.End(), c.end);
            EXPECT_NEAR(double(take.Take().size()) / 48000, c.takeSeconds, 0.1);
            if (first.empty()) {
                first.assign(take.Take().begin(), take.Take().end());
            }
            EXPECT_TRUE(std::ranges::equal(take.Take(), first));
            // The onset is whole: the bell starts just before the strike, after the pre-roll.
            const auto loud = std::ranges::find_if(take.Take(), [](auto s) { return s > 1000; });
            const double onset = double(loud - take.Take().begin()) / 48000;
            const double strike = double(take.StrikeOffset()) / 48000;
            EXPECT_TRUE(c.takeSeconds == 0 || (strike >= onset && strike <= onset + 0.011 &&
                                               std::abs(strike - std::min(0.5, c.onset)) < 0.011))
                << onset << " " << strike;
        }
    }
}

}  // namespace
