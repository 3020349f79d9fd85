// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "LoadMessage.h"
#include "LoadSoundFile.h"
#include "TestBytes.h"

// A load watched (and cancelled) as it converts, and a load of a recording's start.
namespace {

struct Recording {
    const char* name;
    Bytes wav;  // written as t.wav, unless a fixture is named
    const char* fixture = "";
};

// Over three MiB of data, so that progress is told on the way as well as at the
// end, which falls between steps.
std::vector<Recording> Recordings() {
    Bytes data((3 << 20) + 1000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 % 251);
    }
    return {
        {"Pcm16Stereo", PcmWave({.rate = 8000, .byteRate = 32000}, data)},
        {"MuLawStereo",
         PcmWave({.tag = 7, .rate = 8000, .byteRate = 16000, .blockAlign = 2, .bits = 8}, data)},
        {"Mp3", {}, "mpeg1_cbr128_stereo_44100.mp3"},
    };
}

std::string PathOf(const Recording& r, const TempDir& dir) {
    return *r.fixture ? (std::filesystem::path(VELTANE_FIXTURE_DIR) / r.fixture).string()
                      : dir.Write("t.wav", r.wav);
}

std::vector<std::int16_t> Load(const std::string& path, const LoadOptions& options) {
    CSoundFile record;
    EXPECT_EQ(LoadSoundFile(record, path, options), LoadResult::kOk);
    return {record.Samples().begin(), record.Samples().end()};
}

class LoadOptionsTest : public ::testing::TestWithParam<Recording> {};

TEST_P(LoadOptionsTest, ProgressRisesToTheTotalAndLeavesTheSamplesAlone) {
    TempDir dir;
    const std::string path = PathOf(GetParam(), dir);
    std::vector<std::uint64_t> told;
    std::uint64_t total = 0;
    const auto samples = Load(path, {.progress = [&](std::uint64_t done, std::uint64_t all) {
                                  told.push_back(done);
                                  total = all;
                                  return true;
                              }});
    ASSERT_FALSE(told.empty());
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), total);
    EXPECT_GT(total, 0u);
    EXPECT_EQ(samples, Load(path, {}));
}

TEST_P(LoadOptionsTest, ACancelAtTheFirstTellingFailsTheLoad) {
    TempDir dir;
    CSoundFile record;
    int calls = 0;
    const LoadResult result = LoadSoundFile(record, PathOf(GetParam(), dir),
                                            {.progress = [&](std::uint64_t, std::uint64_t) {
                                                ++calls;
                                                return false;
                                            }});
    EXPECT_EQ(result, LoadResult::kNoCodec);
    EXPECT_STREQ(LoadMessage(result), "Conversion not possible!");
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(record.m_loaded);
    EXPECT_TRUE(record.Samples().empty());
}

// Exactly the whole load's first samples: none lost, shifted or added at the cut.
TEST_P(LoadOptionsTest, ABoundedLoadIsTheStartOfTheWholeOne) {
    TempDir dir;
    const std::string path = PathOf(GetParam(), dir);
    const auto whole = Load(path, {});
    const auto start = Load(path, {.maxSeconds = 0.25});
    const std::size_t rate = *GetParam().fixture ? 44100 : 8000;
    ASSERT_EQ(start.size(), rate / 4);
    EXPECT_TRUE(std::equal(start.begin(), start.end(), whole.begin()));
    EXPECT_EQ(Load(path, {.maxSeconds = 3600}), whole);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadOptionsTest, ::testing::ValuesIn(Recordings()),
                         [](const auto& p) { return std::string(p.param.name); });

// A header that declares hours of PCM over a sparse file: the bounded load reads
// and holds only its start.
TEST(BoundedLoad, AHugeWaveIsReadOnlyAsFarAsTheBound) {
    constexpr std::uint32_t kDataBytes = 3'900'000'000u;
    TempDir dir;
    const Bytes header =
        ChunkWithSize("data", kDataBytes, {});  // the body is the file's sparse rest
    const std::string path = dir.Write(
        "huge.wav",
        Wave(Concat({Chunk("fmt ", FmtBody({.channels = 1, .byteRate = 88200, .blockAlign = 2})),
                     header})));
    std::filesystem::resize_file(path, 44 + std::uintmax_t{kDataBytes});
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, path, {.maxSeconds = 63}), LoadResult::kOk);
    EXPECT_EQ(record.Samples().size(), 63u * 44100);
    EXPECT_EQ(record.m_samplesAllocated, 63 * 44100);
}

}  // namespace
