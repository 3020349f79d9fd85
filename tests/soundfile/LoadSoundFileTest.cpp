#include <gtest/gtest.h>

#include <filesystem>

#include "LoadMessage.h"
#include "LoadSoundFile.h"
#include "TestBytes.h"

namespace {

const FmtFields kMono16{.channels = 1, .rate = 22050, .byteRate = 44100, .blockAlign = 2};

struct BadCase {
    const char* name;
    const char* fileName;
    Bytes bytes;
    LoadResult code;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<BadCase> BadCases() {
    const Bytes good = PcmWave(kMono16, S16({1, 2, 3, 4}));
    const Bytes data = Chunk("data", Bytes(16, 0));
    Bytes cbSizeAllOnes = Wave(Concat({Chunk("fmt ", FmtBody({.tag = 2}, 0xFFFF, 32)), data}));
    return {
        {"ExtensionMixedCase", "a.Wav", good, 1},
        {"NoExtension", "wav", good, 1},
        {"OtherExtension", "a.flac", good, 1},
        {"NotWaveForm", "a.wav", Concat({Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}, Bytes(4, 'X')}), 2},
        {"NoDataChunk", "a.wav", Wave(Chunk("fmt ", FmtBody(kMono16))), 3},
        {"EmptyFile", "a.wav", {}, 4},
        {"Fmt57", "a.wav", Wave(Concat({Chunk("fmt ", FmtBody(kMono16, 39, 39)), data})), 5},
        {"Pcm24BitMono", "a.wav",
         PcmWave({.channels = 1, .byteRate = 132300, .bits = 24}, Bytes(12, 0)), 6},
        {"PcmZeroChannels", "a.wav", PcmWave({.channels = 0}, Bytes(16, 0)), 6},
        {"DecodedToFourChannels", "a.wav",
         PcmWave(
             {.tag = 6, .channels = 4, .rate = 8000, .byteRate = 32000, .blockAlign = 4, .bits = 8},
             Bytes(64, 0x55)),
         6},
        {"NoCodecForTag", "a.wav", PcmWave({.tag = 0x7A7A}, Bytes(16, 0)), 8},
        {"CbSizeAllOnes", "a.wav", cbSizeAllOnes, 8},
        {"CodecPathZeroChannels", "a.wav", PcmWave({.tag = 6, .channels = 0}, Bytes(16, 0)), 8},
        {"DecoderYieldsNothing", "a.wav", PcmWave({.tag = 0x55, .bits = 0}, Bytes(4000, 0)), 7},
        {"Mp3HeaderOnly", "a.mp3", FileWith({0xFF, 0xFB, 0x90, 0x64}, 4000), 7},
        {"Mp3TooShort", "a.MP3", Bytes{0xFF, 0xFB}, 9},
    };
}

class LoadSoundFileBadInput : public ::testing::TestWithParam<BadCase> {};

// Each code through one of its conditions (the readers' own tests hold the rest),
// after a good load, so that a failure is
// also seen to clear the loaded flag and to keep the previous sample buffer.
TEST_P(LoadSoundFileBadInput, ReportsItsCodeAndClearsLoaded) {
    const BadCase& c = GetParam();
    TempDir dir;
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, dir.Write("good.wav", PcmWave(kMono16, S16({5, 6})))), 0);
    ASSERT_TRUE(record.m_loaded);
    const std::int16_t* previous = record.m_samples.get();

    const std::string path = dir.Write(c.fileName, c.bytes);
    EXPECT_EQ(LoadSoundFile(record, path), c.code);
    EXPECT_FALSE(record.m_loaded);
    EXPECT_TRUE(record.Samples().empty());
    EXPECT_EQ(record.m_path, path);
    EXPECT_EQ(record.m_samples.get(), previous) << "a failed load keeps the old buffer";
    EXPECT_NE(LoadMessage(c.code), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadSoundFileBadInput, ::testing::ValuesIn(BadCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LoadSoundFileOpen, MissingFileOrDirectoryGivesOpenFailed) {
    TempDir dir;
    CSoundFile record;
    EXPECT_EQ(LoadSoundFile(record, (dir.Path() / "missing.wav").string()), 10);
    EXPECT_EQ(record.GetFileName(), "missing.wav");
    std::filesystem::create_directory(dir.Path() / "folder.wav");
    EXPECT_EQ(LoadSoundFile(record, (dir.Path() / "folder.wav").string()), 10);
    EXPECT_FALSE(record.m_loaded);
}

struct PcmCase {
    const char* name;
    FmtFields fmt;
    Bytes data;
    std::vector<std::int16_t> samples;
};

void PrintTo(const PcmCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadSoundFilePcm : public ::testing::TestWithParam<PcmCase> {};

TEST_P(LoadSoundFilePcm, MixesDownToMono16AtTheFileRate) {
    const PcmCase& c = GetParam();
    TempDir dir;
    CSoundFile record;
    record.m_format.bytes.fill(0xEE);
    ASSERT_EQ(LoadSoundFile(record, dir.Write("t.WAV", PcmWave(c.fmt, c.data))), 0);
    EXPECT_TRUE(record.m_loaded);
    const FormatArea& f = record.m_format;
    EXPECT_EQ(f.FormatTag(), 1);
    EXPECT_EQ(f.Channels(), 1);
    EXPECT_EQ(f.SamplesPerSec(), c.fmt.rate);
    EXPECT_EQ(f.AvgBytesPerSec(), c.fmt.rate * 2);
    EXPECT_EQ(f.BlockAlign(), 2);
    EXPECT_EQ(f.BitsPerSample(), 16);
    EXPECT_EQ(record.m_dataLength, c.data.size());
    EXPECT_EQ(record.m_sampleCount, static_cast<std::int32_t>(c.samples.size()));
    const auto samples = record.Samples();
    EXPECT_EQ(std::vector<std::int16_t>(samples.begin(), samples.end()), c.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadSoundFilePcm,
    ::testing::Values(PcmCase{"ByteRateZeroGivesNoSamples", {.byteRate = 0}, S16({1, 2, 3, 4}), {}},
                      PcmCase{
                          "CountLargerThanDataIsCut", {.byteRate = 4}, S16({2, 4, 6, 8}), {3, 7}},
                      PcmCase{"BlockAlignZeroIsNotUsed", {.blockAlign = 0}, S16({2, 4}), {3}},
                      PcmCase{"NineChannelsOf8BitsTakeThe16BitMonoRow",
                              {.channels = 9, .rate = 1000, .byteRate = 2000, .bits = 8},
                              S16({-5, 7}),
                              {-5, 7}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
