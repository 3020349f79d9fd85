#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "LoadSoundFile.h"
#include "TestBytes.h"
#include "codec/CodecStream.h"

// Coded sound is read from the file and mixed to mono a block at a time, into a
// buffer that grows as it goes.
namespace {

// µ-law decodes byte by byte, so a stereo recording made of one short stretch
// over and over must load as that stretch's own load over and over, wherever
// the blocks and the buffer's growth fall. The period is prime, so that no
// block or buffer size is a multiple of it.
TEST(StreamedDecode, ALongRecordingLoadsLikeItsPartsAcrossBlocksAndGrowth) {
    constexpr std::size_t kPeriod = 251;
    constexpr std::size_t kRepeats = 2400;  // 600000 samples, many growth steps
    Bytes stretch(2 * kPeriod);
    for (std::size_t i = 0; i < stretch.size(); ++i) {
        stretch[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    Bytes data;
    for (std::size_t r = 0; r < kRepeats; ++r) {
        data.insert(data.end(), stretch.begin(), stretch.end());
    }
    const FmtFields mulaw{.tag = 7, .rate = 8000, .byteRate = 16000, .blockAlign = 2, .bits = 8};
    TempDir dir;
    CSoundFile part;
    ASSERT_EQ(LoadSoundFile(part, dir.Write("part.wav", PcmWave(mulaw, stretch))), 0);
    CSoundFile whole;
    ASSERT_EQ(LoadSoundFile(whole, dir.Write("whole.wav", PcmWave(mulaw, data))), 0);

    const auto expected = part.Samples();
    const auto samples = whole.Samples();
    ASSERT_EQ(expected.size(), kPeriod);
    ASSERT_EQ(samples.size(), kPeriod * kRepeats);
    EXPECT_EQ(whole.m_samplesAllocated, whole.m_sampleCount);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], expected[i % kPeriod]) << "sample " << i;
    }
}

// Serves bytes until a read reaches failFrom, then fails the way the file does.
class FailingSource : public ByteSource {
  public:
    FailingSource(Bytes bytes, std::size_t failFrom)
        : m_bytes(std::move(bytes)), m_failFrom(failFrom) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset + buffer.size() > m_failFrom) {
            throw CFileException("read error");
        }
        std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                    buffer.begin());
        return buffer.size();
    }

  private:
    Bytes m_bytes;
    std::size_t m_failFrom;
};

// A read error in the middle of a decode reaches the loader's caller as the
// file's own exception, from inside FFmpeg's demuxer too, not as a damaged file.
TEST(StreamedDecode, AReadErrorPassesOutOfTheDecoder) {
    std::ifstream in(std::filesystem::path(VELTANE_FIXTURE_DIR) / "mpeg1_cbr128_stereo_44100.mp3",
                     std::ios::binary);
    const Bytes mp3{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(mp3.size(), 4096u);
    FormatArea mpeg;
    mpeg.SetFormatTag(0x55);
    mpeg.SetChannels(2);
    mpeg.SetSamplesPerSec(44100);
    FormatArea alaw;
    alaw.SetFormatTag(6);
    alaw.SetChannels(1);
    alaw.SetSamplesPerSec(8000);
    alaw.SetBlockAlign(1);
    alaw.SetBitsPerSample(8);
    for (const auto& [format, bytes] :
         {std::pair{mpeg, mp3}, std::pair{alaw, Bytes(20000, 0x55)}}) {
        FormatArea pcm;
        ASSERT_TRUE(CodecStream::SuggestPcmFormat(format, pcm));
        const std::unique_ptr<CodecStream> stream = CodecStream::Open(format, pcm);
        ASSERT_NE(stream, nullptr);
        FailingSource source(bytes, bytes.size() / 2);
        EXPECT_THROW(stream->Convert(source, [](std::span<const std::uint8_t>) { return true; }),
                     CFileException);
    }
}

}  // namespace
