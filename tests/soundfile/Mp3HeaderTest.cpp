// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "SoundFile.h"
#include "TestBytes.h"

namespace {

struct Mp3Case {
    const char* name;
    Bytes bytes;
    LoadResult code;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    std::int32_t sampleCount = 0;
};

Bytes Id3Tag(std::uint32_t bodySize, std::uint8_t flags = 0) {
    Bytes tag{'I', 'D', '3', 4, 0, flags};
    for (int shift = 21; shift >= 0; shift -= 7) {
        tag.push_back(static_cast<std::uint8_t>((bodySize >> shift) & 0x7F));
    }
    // Body of a tag that even holds what looks like a frame header of another stream.
    tag.resize(10 + bodySize, 0);
    if (bodySize > 8) {
        tag[14] = 0xFF;
        tag[15] = 0xF3;
        tag[16] = 0x80;
        tag[17] = 0xC4;
    }
    return tag;
}

const Bytes kMpeg1L3{0xFF, 0xFB, 0x90, 0x64};

std::vector<Mp3Case> Cases() {
    Bytes at2001(2001, 0);
    at2001.insert(at2001.end(), kMpeg1L3.begin(), kMpeg1L3.end());
    Bytes at2002(2002, 0);
    at2002.insert(at2002.end(), kMpeg1L3.begin(), kMpeg1L3.end());
    // Each rejected field once, then a good header; the reserved emphasis and a
    // clear protection bit do not matter.
    const Bytes rejectedFirst{0xFF, 0xFB, 0x00, 0x64, 0xFF, 0xFB, 0xF0, 0x64,
                              0xFF, 0xFB, 0x9C, 0x64, 0xFF, 0xEB, 0x90, 0x64,
                              0xFF, 0xF9, 0x90, 0x64, 0xFF, 0xE2, 0x18, 0xC7};
    const std::size_t bigTag = 5000;
    // The tag claims 1000 bytes in a 34-byte file: no skip, so the search finds
    // the header-like bytes inside it.
    Bytes tagPastEnd = Concat({Id3Tag(20), kMpeg1L3});
    tagPastEnd[8] = 1000 >> 7;
    tagPastEnd[9] = 1000 & 0x7F;
    using enum LoadResult;
    return {
        {"Mpeg1Layer3", FileWith(kMpeg1L3, 1'000'000), kOk, 2, 44100, 16000, 2756250},
        {"CountRoundsDown", FileWith(kMpeg1L3, 1001), kOk, 2, 44100, 16000, 2759},
        {"Mpeg2Mono", FileWith({0xFF, 0xF3, 0x80, 0xC4}, 8000), kOk, 1, 22050, 8000, 22050},
        {"Mpeg25Mono", FileWith({0xFF, 0xE3, 0x18, 0xC4}, 1000), kOk, 1, 8000, 1000, 8000},
        {"Layer2Accepted", FileWith({0xFF, 0xFD, 0x90, 0x64}, 20000), kOk, 2, 44100, 20000, 44100},
        {"Layer1Row", FileWith({0xFF, 0xFF, 0x94, 0x04}, 1000), kOk, 2, 48000, 36000, 1333},
        {"HeaderAt2001Found", at2001, kOk, 2, 44100, 16000, 5526},
        {"HeaderAt2002NotFound", at2002, kNotMp3},
        {"RejectedFieldsSkipped", rejectedFirst, kOk, 1, 8000, 1000, 192},
        {"ThreeBytes", {0xFF, 0xFB, 0x90}, kNotMp3},
        {"Empty", {}, kNotMp3},
        {"SmallId3TagSkipped", FileWith(Concat({Id3Tag(100), kMpeg1L3}), 10000), kOk, 2, 44100,
         16000, 27562},
        {"Id3TagWithFooterSkipped",
         FileWith(Concat({Id3Tag(100, 0x10), FileWith({0xFF, 0xF3, 0x80, 0xC4}, 10), kMpeg1L3}),
                  10000),
         kOk, 2, 44100, 16000, 27562},
        {"Id3TagLongerThanWindowSkipped", FileWith(Concat({Id3Tag(bigTag), kMpeg1L3}), 20000), kOk,
         2, 44100, 16000, 55125},
        {"Id3TagPastEndOfFileNotSkipped", tagPastEnd, kOk, 1, 22050, 8000, 93},
        {"Id3TagWithNoAudioBehind", Id3Tag(bigTag), kNotMp3},
    };
}

class Mp3HeaderTest : public ::testing::TestWithParam<Mp3Case> {};

TEST_P(Mp3HeaderTest, FillsRecordOrReportsCode) {
    const Mp3Case& c = GetParam();
    TempDir dir;
    CStdioFile file;
    ASSERT_TRUE(file.Open(dir.Write("t.mp3", c.bytes)));
    CSoundFile record;
    record.m_format.bytes.fill(0xA5);
    record.m_dataLength = 77;
    record.m_sampleCount = 78;
    const FormatArea before = record.m_format;

    ASSERT_EQ(record.ReadMp3Header(file), c.code);
    if (c.code != LoadResult::kOk) {
        EXPECT_EQ(record.m_format.bytes, before.bytes);
        EXPECT_EQ(record.m_dataLength, 77u);
        EXPECT_EQ(record.m_sampleCount, 78);
        return;
    }
    // The Layer-3 record behind the base is the decoder's business: the decodes
    // against the reference decoder prove it.
    const FormatArea& f = record.m_format;
    EXPECT_EQ(f.FormatTag(), 85);
    EXPECT_EQ(f.Channels(), c.channels);
    EXPECT_EQ(f.SamplesPerSec(), c.rate);
    EXPECT_EQ(f.AvgBytesPerSec(), c.byteRate);
    EXPECT_EQ(record.m_dataLength, c.bytes.size());
    EXPECT_EQ(record.m_sampleCount, c.sampleCount);
    std::uint8_t first = 0;
    ASSERT_EQ(file.Read(&first, 1), 1u);
    EXPECT_EQ(first, c.bytes[0]) << "the file is rewound to its first byte";
}

INSTANTIATE_TEST_SUITE_P(Table, Mp3HeaderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
