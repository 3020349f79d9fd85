// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "BellFiles.h"
#include "RingAnalyser.h"
#include "RingTable.h"

namespace {

TEST(RingAnalyser, HandsOverEachRecordingOnceWithItsAnalysisOrItsMessage) {
    TempDir dir;
    const double nominals[] = {880.0, 660.0, 1320.0, 495.0, 990.0};
    std::vector<std::string> paths;
    for (double hz : nominals) {
        paths.push_back(WriteBell(dir, std::to_string(paths.size()) + ".wav", UsualBell(hz)));
    }
    paths.push_back((dir.Path() / "gone.wav").string());
    paths.push_back(dir.Write("notes.wav", {'t', 'e', 'x', 't'}));

    std::mutex lock;
    std::multimap<std::size_t, BellAnalysis> results;
    RingAnalyser analyser(
        paths,
        [&](std::size_t bell, BellAnalysis analysis) {
            const std::scoped_lock hold(lock);
            results.emplace(bell, std::move(analysis));
        },
        3);
    analyser.Wait();

    ASSERT_EQ(results.size(), paths.size());
    for (std::size_t i = 0; i < std::size(nominals); ++i) {
        ASSERT_EQ(results.count(i), 1U);
        const BellAnalysis& bell = results.find(i)->second;
        ASSERT_TRUE(bell.analysis) << bell.error;
        const RingRow row = RingTable(Ring{440.0, {{}}}, std::span(&bell.analysis, 1)).front();
        EXPECT_NEAR(row.numbers.nominalHz.value_or(0.0), nominals[i], 0.05);
    }
    EXPECT_EQ(results.find(5)->second.error, "Failed to open file!");
    EXPECT_EQ(results.find(6)->second.error, "Not a valid .wav file!");
    EXPECT_FALSE(results.find(6)->second.analysis);
}

}  // namespace
