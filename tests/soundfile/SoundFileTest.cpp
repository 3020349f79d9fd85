#include <gtest/gtest.h>

#include "LoadMessage.h"
#include "SoundFile.h"

namespace {

struct PathCase {
    const char* path;
    const char* fileName;
    const char* extension;
};

class SoundFilePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(SoundFilePathTest, SplitsAtLastSlashAndDot) {
    CSoundFile record;
    record.m_path = GetParam().path;
    EXPECT_EQ(record.GetFileName(), GetParam().fileName);
    EXPECT_EQ(record.GetExtension(), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SoundFilePathTest,
    ::testing::Values(PathCase{"/home/s/bell.wav", "bell.wav", "wav"},
                      PathCase{"bell.wav", "bell.wav", "wav"}, PathCase{"/home/s/", "", ""},
                      PathCase{"/s/bell.WAV", "bell.WAV", "WAV"},
                      PathCase{"/a.b/tune.x.mp3", "tune.x.mp3", "mp3"},
                      PathCase{"/my.dir/bell", "bell", ""}, PathCase{"/s/bell.", "bell.", ""},
                      PathCase{"C:\\s\\bell.wav", "C:\\s\\bell.wav", "wav"}, PathCase{"", "", ""}));

TEST(SoundFileSamples, AllocSamplesReplacesBufferAndKeepsCount) {
    CSoundFile record;
    record.m_sampleCount = 5;
    record.AllocSamples(5);
    ASSERT_NE(record.m_samples, nullptr);
    EXPECT_EQ(record.m_samplesAllocated, 5);
    for (std::int32_t count : {0, -3}) {
        record.AllocSamples(count);
        EXPECT_EQ(record.m_samplesAllocated, 0);
        EXPECT_EQ(record.m_sampleCount, 5) << "the count field is the caller's";
    }
    record.m_loaded = true;
    EXPECT_TRUE(record.Samples().empty()) << "never more samples than the buffer has";
}

TEST(SoundFileFormat, CopyFormatCopiesTheBaseOnly) {
    FormatArea source;
    FormatArea destination;
    source.bytes.fill(1);
    destination.bytes.fill(2);
    CSoundFile::CopyFormat(source, destination);
    for (std::size_t i = 0; i < FormatArea::kSize; ++i) {
        EXPECT_EQ(destination.bytes[i], i < FormatArea::kBaseSize ? 1 : 2) << i;
    }
}

TEST(LoadMessageTable, EveryCodeHasItsText) {
    EXPECT_EQ(LoadMessage(0), nullptr);
    const std::pair<LoadResult, std::string> table[] = {
        {1, "Not a valid .wav file!"},
        {2, "Not a valid .wav file!"},
        {3, "No data in file!"},
        {4, "Not a valid .wav file!"},
        {5, "Not a valid .wav file!"},
        {6, "Format not supported!"},
        {7, "Error during conversion!"},
        {8, "Conversion not possible!"},
        {9, "Not a valid mp3 file!"},
        {10, "Failed to open file!"},
        {11, "Bad file!"},
        {-1, "Bad file!"},
        {32767, "Bad file!"},
    };
    for (const auto& [code, text] : table) {
        ASSERT_NE(LoadMessage(code), nullptr) << code;
        EXPECT_EQ(LoadMessage(code), text) << code;
    }
}

}  // namespace
