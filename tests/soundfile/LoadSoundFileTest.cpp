// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "LoadMessage.h"
#include "LoadSoundFile.h"
#include "TestBytes.h"

namespace {

const FmtFields kMono16{.channels = 1, .rate = 22050, .byteRate = 44100, .blockAlign = 2};

// WAVE_FORMAT_EXTENSIBLE 24-bit PCM: cbSize, then valid bits, channel mask and
// the sub-format GUID, whose first bytes can be spoilt.
Bytes Extensible(std::uint16_t cbSize, std::uint8_t guidFirst = 1) {
    Bytes fmt = FmtBody({.tag = 0xFFFE, .byteRate = 264600, .blockAlign = 6, .bits = 24});
    AppendLe(fmt, cbSize, 2);
    AppendLe(fmt, 24, 2);
    AppendLe(fmt, 3, 4);
    fmt.insert(fmt.end(), {guidFirst, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00,
                           0xAA, 0x00, 0x38, 0x9B, 0x71});
    return Wave(Concat({Chunk("fmt ", fmt), Chunk("data", Bytes(60, 0))}));
}

struct BadCase {
    const char* name;
    const char* fileName;
    Bytes bytes;
    LoadResult code;
    const char* message;
};

std::vector<BadCase> BadCases() {
    const Bytes good = PcmWave(kMono16, S16({1, 2, 3, 4}));
    const Bytes data = Chunk("data", Bytes(16, 0));
    const char* const wav = "Not a valid .wav file!";
    const char* const noCodec = "Conversion not possible!";
    using enum LoadResult;
    return {
        {"ExtensionMixedCase", "a.Wav", good, kBadExtension, wav},
        {"NoExtension", "wav", good, kBadExtension, wav},
        {"DotInTheFolderOnly", "a.d/wav", good, kBadExtension, wav},
        {"OtherExtension", "a.flac", good, kBadExtension, wav},
        {"NotWaveForm", "a.wav", Concat({Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}, Bytes(4, 'X')}),
         kNotWave, wav},
        {"NoDataChunk", "a.wav", Wave(Chunk("fmt ", FmtBody(kMono16))), kNoData,
         "No data in file!"},
        {"EmptyFile", "a.wav", {}, kNoRiff, wav},
        {"Fmt57", "a.wav", Wave(Concat({Chunk("fmt ", FmtBody(kMono16, 39, 39)), data})), kNoFormat,
         wav},
        {"Pcm24BitMono", "a.wav",
         PcmWave({.channels = 1, .byteRate = 132300, .bits = 24}, Bytes(12, 0)), kUnsupportedFormat,
         "Format not supported!"},
        {"PcmZeroChannels", "a.wav", PcmWave({.channels = 0}, Bytes(16, 0)), kUnsupportedFormat,
         "Format not supported!"},
        {"DecodedToFourChannels", "a.wav",
         PcmWave(
             {.tag = 6, .channels = 4, .rate = 8000, .byteRate = 32000, .blockAlign = 4, .bits = 8},
             Bytes(64, 0x55)),
         kUnsupportedFormat, "Format not supported!"},
        {"NoCodecForTag", "a.wav", PcmWave({.tag = 0x7A7A}, Bytes(16, 0)), kNoCodec, noCodec},
        {"CbSizeAllOnes", "a.wav",
         Wave(Concat({Chunk("fmt ", FmtBody({.tag = 2}, 0xFFFF, 32)), data})), kNoCodec, noCodec},
        {"CodecPathZeroChannels", "a.wav", PcmWave({.tag = 6, .channels = 0}, Bytes(16, 0)),
         kNoCodec, noCodec},
        {"ExtensibleWithoutItsFields", "a.wav", Extensible(21), kNoCodec, noCodec},
        {"ExtensibleWithAForeignGuid", "a.wav", Extensible(22, 0x7A), kNoCodec, noCodec},
        {"DecoderYieldsNothing", "a.wav", PcmWave({.tag = 0x55, .bits = 0}, Bytes(4000, 0)),
         kConversionFailed, "Error during conversion!"},
        {"Mp3HeaderOnly", "a.mp3", FileWith({0xFF, 0xFB, 0x90, 0x64}, 4000), kConversionFailed,
         "Error during conversion!"},
        {"Mp3TooShort", "a.MP3", Bytes{0xFF, 0xFB}, kNotMp3, "Not a valid mp3 file!"},
    };
}

class LoadSoundFileBadInput : public ::testing::TestWithParam<BadCase> {};

// Each code through one of its conditions (the readers' own tables hold the rest),
// after a good load: a failure clears the loaded flag and keeps the old buffer.
TEST_P(LoadSoundFileBadInput, ReportsItsCodeAndMessageAndClearsLoaded) {
    const BadCase& c = GetParam();
    TempDir dir;
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, dir.Write("good.WAV", PcmWave(kMono16, S16({5, 6})))),
              LoadResult::kOk);
    ASSERT_TRUE(record.m_loaded);
    const std::int16_t* previous = record.m_samples.get();

    std::filesystem::create_directories((dir.Path() / c.fileName).parent_path());
    const std::string path = dir.Write(c.fileName, c.bytes);
    EXPECT_EQ(LoadSoundFile(record, path), c.code);
    EXPECT_STREQ(LoadMessage(c.code), c.message);
    EXPECT_FALSE(record.m_loaded);
    EXPECT_TRUE(record.Samples().empty());
    EXPECT_EQ(record.m_samples.get(), previous) << "a failed load keeps the old buffer";
}

INSTANTIATE_TEST_SUITE_P(Table, LoadSoundFileBadInput, ::testing::ValuesIn(BadCases()),
                         [](const auto& p) { return std::string(p.param.name); });

struct GoodCase {
    const char* name;
    Bytes wav;
    std::vector<std::int16_t> samples;
    std::uint32_t rate = 44100;
};

class LoadSoundFileGood : public ::testing::TestWithParam<GoodCase> {};

TEST_P(LoadSoundFileGood, MixesDownToMono16AtTheFileRate) {
    const GoodCase& c = GetParam();
    TempDir dir;
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, dir.Write("t.wav", c.wav)), LoadResult::kOk);
    EXPECT_TRUE(record.m_loaded);
    const FormatArea& f = record.m_format;
    EXPECT_EQ(f.FormatTag(), 1);
    EXPECT_EQ(f.Channels(), 1);
    EXPECT_EQ(f.SamplesPerSec(), c.rate);
    EXPECT_EQ(f.AvgBytesPerSec(), c.rate * 2);
    EXPECT_EQ(f.BitsPerSample(), 16);
    const auto samples = record.Samples();
    EXPECT_EQ(record.m_sampleCount, static_cast<std::int32_t>(samples.size()));
    EXPECT_EQ(std::vector<std::int16_t>(samples.begin(), samples.end()), c.samples);
    EXPECT_EQ(record.m_peakMagnitude, LargestMagnitude(c.samples));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadSoundFileGood,
    ::testing::Values(
        // The mix-down at its extremes; (L + R) / 2 truncates toward zero.
        GoodCase{"Mono16OddTrailingByteIgnored",
                 PcmWave({.channels = 1, .byteRate = 88200}, {0xFF, 0xFF, 0, 0x80, 7}),
                 {-1, -32768}},
        GoodCase{"Stereo16",
                 PcmWave({}, S16({-3, 0, -1, 0, 32767, 32767, -32768, -32768, 3, 0})),
                 {-1, 0, 32767, -32768, 1}},
        GoodCase{"ByteRateZeroGivesNoSamples", PcmWave({.byteRate = 0}, S16({1, 2, 3, 4})), {}},
        GoodCase{"CountLargerThanDataIsCut", PcmWave({.byteRate = 4}, S16({2, 4, 6, 8})), {3, 7}},
        GoodCase{"BlockAlignZeroIsNotUsed", PcmWave({.blockAlign = 0}, S16({2, 4})), {3}},
        GoodCase{"NineChannelsOf8BitsTakeThe16BitMonoRow",
                 PcmWave({.channels = 9, .rate = 1000, .byteRate = 2000, .bits = 8}, S16({-5, 7})),
                 {-5, 7},
                 1000},
        // A-law 0xD5 is 8; extra bytes that fill the format area to its end are fine.
        GoodCase{"ExtraBytesFillingTheFormatArea",
                 Wave(Concat({Chunk("fmt ", FmtBody({.tag = 6,
                                                     .channels = 1,
                                                     .rate = 8000,
                                                     .byteRate = 8000,
                                                     .blockAlign = 1,
                                                     .bits = 8},
                                                    38, 38)),
                              Chunk("data", Bytes(4, 0xD5))})),
                 {8, 8, 8, 8},
                 8000}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
