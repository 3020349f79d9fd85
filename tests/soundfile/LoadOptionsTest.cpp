// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "LoadSoundFile.h"
#include "TestBytes.h"

// A load watched (and cancelled) as it converts, and a load of a recording's start.
namespace {

// Over three MiB of 8 kHz data, told on the way and at an end between steps;
// and a short MP3 at 44.1 kHz, told at its end only.
std::vector<std::pair<const char*, Bytes>> Recordings() {
    Bytes data((3 << 20) + 1000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 % 251);
    }
    return {{"Pcm16Stereo", PcmWave({.rate = 8000, .byteRate = 32000}, data)},
            {"MuLawStereo", PcmWave({.tag = 7, .rate = 8000, .blockAlign = 2, .bits = 8}, data)},
            {"Mp3", {}}};
}

class LoadOptionsTest : public ::testing::TestWithParam<std::pair<const char*, Bytes>> {
  protected:
    std::vector<std::int16_t> Load(const LoadOptions& options,
                                   LoadResult expected = LoadResult::kOk) {
        CSoundFile record;
        EXPECT_EQ(LoadSoundFile(record, m_path, options), expected);
        EXPECT_EQ(record.m_loaded, expected == LoadResult::kOk);
        return {record.Samples().begin(), record.Samples().end()};
    }
    TempDir m_dir;
    std::string m_path = GetParam().second.empty()
                             ? std::string(VELTANE_FIXTURE_DIR) + "/mpeg1_cbr128_stereo_44100.mp3"
                             : m_dir.Write("t.wav", GetParam().second);
    std::size_t m_rate = GetParam().second.empty() ? 44100 : 8000;
};

TEST_P(LoadOptionsTest, ProgressRisesToTheTotalAndLeavesTheSamplesAlone) {
    std::vector<std::uint64_t> told;
    std::uint64_t total = 0;
    const auto samples = Load({.progress = [&](std::uint64_t done, std::uint64_t all) {
        told.push_back(done);
        total = all;
        return true;
    }});
    ASSERT_FALSE(told.empty());
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), total);
    EXPECT_EQ(samples, Load({}));
}

TEST_P(LoadOptionsTest, ACancelAtTheFirstTellingFailsTheLoadUnloaded) {
    int calls = 0;
    const auto cancel = [&](std::uint64_t, std::uint64_t) { return ++calls > 1; };
    EXPECT_TRUE(Load({.progress = cancel}, LoadResult::kNoCodec).empty());
    EXPECT_EQ(calls, 1);
}

// Exactly the whole load's first samples: none lost, shifted or added at the cut.
TEST_P(LoadOptionsTest, ABoundedLoadIsTheStartOfTheWholeOne) {
    const auto whole = Load({});
    const auto start = Load({.maxSeconds = 0.25});
    ASSERT_EQ(start.size(), m_rate / 4);
    EXPECT_TRUE(std::equal(start.begin(), start.end(), whole.begin()));
    EXPECT_EQ(Load({.maxSeconds = 3600}), whole);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadOptionsTest, ::testing::ValuesIn(Recordings()),
                         [](const auto& p) { return std::string(p.param.first); });

// Megabytes that a decoder makes nothing of are still told as they are read,
// and a cancel stops them there.
TEST(WatchedLoad, AnMp3OfNothingButAHeaderIsCancelledAsItIsRead) {
    TempDir dir;
    std::uint64_t firstTold = UINT64_MAX;
    const auto cancel = [&](std::uint64_t done, std::uint64_t) {
        firstTold = std::min(firstTold, done);
        return false;
    };
    const std::string path = dir.Write("a.mp3", FileWith({0xFF, 0xFB, 0x90, 0x64}, 3 << 20));
    CSoundFile record;
    EXPECT_EQ(LoadSoundFile(record, path, {.progress = cancel}), LoadResult::kNoCodec);
    EXPECT_LT(firstTold, 2u << 20);
}

// A header that declares 12 hours of PCM over a sparse file: a bounded load
// reads and holds only its start.
TEST(BoundedLoad, AHugeWaveIsReadOnlyAsFarAsTheBound) {
    constexpr std::uint32_t kDataBytes = 3'900'000'000u;
    const FmtFields mono{.channels = 1, .byteRate = 88200, .blockAlign = 2};
    TempDir dir;
    const std::string path = dir.Write(
        "huge.wav",
        Wave(Concat({Chunk("fmt ", FmtBody(mono)), ChunkWithSize("data", kDataBytes, {})})));
    std::filesystem::resize_file(path, 44 + std::uintmax_t{kDataBytes});
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, path, {.maxSeconds = 63}), LoadResult::kOk);
    EXPECT_EQ(record.Samples().size(), 63u * 44100);
    EXPECT_EQ(record.m_samplesAllocated, 63 * 44100);
}

}  // namespace
