// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <limits>

#include "SoundFile.h"
#include "TestBytes.h"

namespace {

constexpr std::uint32_t kOldLength = 0xABCD;
constexpr std::int32_t kOldCount = -7;

struct WavCase {
    const char* name;
    Bytes bytes;
    LoadResult code;
    std::uint32_t dataLength = kOldLength;  // after the call; unchanged on failure
    std::int32_t sampleCount = kOldCount;
    std::uint64_t position = 0;  // where the data starts, checked on success
};

Bytes Pcm16Stereo(std::uint32_t dataBytes, const FmtFields& f = {}) {
    return PcmWave(f, Bytes(dataBytes, 1));
}

std::vector<WavCase> Cases() {
    const Bytes fmt = Chunk("fmt ", FmtBody({}));
    const Bytes data10 = Chunk("data", Bytes(10, 3));
    Bytes truncatedFmt = Wave(ChunkWithSize("fmt ", 16, Bytes(9, 0)));
    Bytes riffOnly;
    Append(riffOnly, "RIFF");
    AppendLe(riffOnly, 100, 4);
    Append(riffOnly, "WAV");
    Bytes riffSizeZero = Pcm16Stereo(8);
    riffSizeZero[4] = riffSizeZero[5] = riffSizeZero[6] = riffSizeZero[7] = 0;
    const Bytes pcm = Bytes(8, 1);
    using enum LoadResult;
    return {
        {"Canonical", Pcm16Stereo(176400), kOk, 176400, 44100, 44},
        {"FractionalCountTruncates", Pcm16Stereo(10), kOk, 10, 2, 44},
        {"CountPastInt32IsCut", Pcm16Stereo(100, {.rate = 4'000'000'000u, .byteRate = 1}), kOk, 100,
         std::numeric_limits<std::int32_t>::max(), 44},
        {"ChunkBeforeRiffIsSkipped", Concat({Chunk("JUNK", Bytes(6, 1)), Pcm16Stereo(8)}), kOk, 8,
         2, 14 + 44},
        {"RiffSizeIgnored", riffSizeZero, kOk, 8, 2, 44},
        {"OddFmtOf17WithPad",
         Wave(Concat({Chunk("fmt ", Concat({FmtBody({}), Bytes{0}}), true), data10})), kOk, 10, 2,
         12 + 8 + 18 + 8},
        {"OddFmtOf17WithoutPad",
         Wave(Concat({Chunk("fmt ", Concat({FmtBody({}), Bytes{0}}), false), data10})), kOk, 10, 2,
         12 + 8 + 17 + 8},
        {"Fmt56Accepted", Wave(Concat({Chunk("fmt ", FmtBody({}, 38, 38)), data10})), kOk, 10, 2,
         12 + 64 + 8},
        {"OddDataChunkIsRead", Wave(Concat({fmt, Chunk("data", Bytes(9, 0), true)})), kOk, 9, 2,
         44},
        {"ShorterThan8Bytes", Bytes{'R', 'I', 'F', 'F', 0, 0, 0}, kNoRiff},
        {"NoRiff", Concat({Chunk("JUNK", Bytes(20, 0)), Chunk("LIST", Bytes(4, 0))}), kNoRiff},
        {"RiffChunkNotFirstId", Bytes(100, 0x41), kNoRiff},
        {"EndsInFormType", riffOnly, kNotWave},
        {"NotWaveForm",
         [] {
             Bytes b = Pcm16Stereo(8);
             b[8] = 'A';
             return b;
         }(),
         kNotWave},
        {"NoFmt", Wave(data10), kNoFormat},
        {"Fmt15", Wave(Concat({Chunk("fmt ", Bytes(15, 1)), data10})), kNoFormat},
        {"FmtBodyTruncated", truncatedFmt, kNotWave},
        {"DataBeforeFmt", Wave(Concat({data10, fmt})), kNoData},
        {"NoData", Wave(Concat({fmt, Chunk("LIST", Bytes(4, 0))})), kNoData},
        {"DataSizeZero", Wave(Concat({fmt, Chunk("data", {}), data10})), kNoData},
        {"DataSizeAllOnes", Wave(Concat({fmt, ChunkWithSize("data", 0xFFFFFFFF, pcm)})), kNoData},
        {"DataOneByteShort", Wave(Concat({fmt, ChunkWithSize("data", 9, pcm)})), kNoData},
        {"SkippedChunkRunsPastEnd",
         Wave(Concat({fmt, ChunkWithSize("LIST", 0x7FFFFFFF, Bytes(8, 0)), data10})), kNoData},
    };
}

class WavReaderTest : public ::testing::TestWithParam<WavCase> {};

TEST_P(WavReaderTest, ReadsHeaderOrReportsCode) {
    const WavCase& c = GetParam();
    TempDir dir;
    CStdioFile file;
    ASSERT_TRUE(file.Open(dir.Write("t.wav", c.bytes)));
    CSoundFile record;
    record.m_dataLength = kOldLength;
    record.m_sampleCount = kOldCount;

    EXPECT_EQ(record.ReadWav(file), c.code);
    EXPECT_EQ(record.m_dataLength, c.dataLength);
    EXPECT_EQ(record.m_sampleCount, c.sampleCount);
    if (c.code == LoadResult::kOk) {
        EXPECT_EQ(file.GetPosition(), c.position);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WavReaderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& p) { return std::string(p.param.name); });

// A short fmt body must not leave the previous file's cbSize and extra bytes behind,
// and a full one lands byte for byte.
TEST(WavReaderFormatArea, ClearedBeforeFmtBodyIsCopied) {
    TempDir dir;
    CSoundFile record;
    record.m_format.bytes.fill(0xAA);
    CStdioFile file;
    ASSERT_TRUE(file.Open(dir.Write("a.wav", Pcm16Stereo(4))));
    ASSERT_EQ(record.ReadWav(file), LoadResult::kOk);
    const Bytes body = FmtBody({});
    for (std::size_t i = 0; i < FormatArea::kSize; ++i) {
        EXPECT_EQ(record.m_format.bytes[i], i < body.size() ? body[i] : 0) << "byte " << i;
    }
}

}  // namespace
