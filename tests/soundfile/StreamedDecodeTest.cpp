// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "LoadSoundFile.h"
#include "TestBytes.h"
#include "codec/CodecStream.h"

// Coded sound is read from the file and mixed to mono a block at a time, into a
// buffer sized from the header's count that grows when the count is short.
namespace {

// µ-law decodes byte by byte, so a stereo recording made of one short stretch
// over and over must load as that stretch's own load over and over, wherever
// the blocks and the buffer's growth fall. The period is prime, so that no
// block or buffer size is a multiple of it. The header's byte rate promises a
// 64th of the samples, so the buffer outgrows its first size many times.
TEST(StreamedDecode, ALongRecordingLoadsLikeItsPartsAcrossBlocksAndGrowth) {
    constexpr std::size_t kPeriod = 251;
    constexpr std::size_t kRepeats = 2400;  // 600000 samples, many growth steps
    Bytes data(2 * kPeriod * kRepeats);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i % (2 * kPeriod) * 37 + 11);
    }
    const Bytes stretch(data.begin(), data.begin() + 2 * kPeriod);
    const FmtFields mulaw{
        .tag = 7, .rate = 8000, .byteRate = 16000 * 64, .blockAlign = 2, .bits = 8};
    TempDir dir;
    CSoundFile part;
    ASSERT_EQ(LoadSoundFile(part, dir.Write("part.wav", PcmWave(mulaw, stretch))), LoadResult::kOk);
    CSoundFile whole;
    ASSERT_EQ(LoadSoundFile(whole, dir.Write("whole.wav", PcmWave(mulaw, data))), LoadResult::kOk);

    const auto expected = part.Samples();
    const auto samples = whole.Samples();
    ASSERT_EQ(expected.size(), kPeriod);
    ASSERT_EQ(samples.size(), kPeriod * kRepeats);
    EXPECT_EQ(whole.m_samplesAllocated, whole.m_sampleCount);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(samples[i], expected[i % kPeriod]) << "sample " << i;
    }
}

// A read error in the middle of an MP3 reaches the loader's caller as the
// file's own exception from inside FFmpeg's demuxer, not as a damaged file.
TEST(StreamedDecode, AReadErrorPassesOutOfTheMpegDemuxer) {
    // Serves the first half of the bytes; a read past it fails as the file does.
    struct HalfReadable : ByteSource {
        Bytes bytes;
        std::uint64_t Size() const override { return bytes.size(); }
        std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
            if (offset + buffer.size() > bytes.size() / 2) {
                throw CFileException("read error");
            }
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                        buffer.begin());
            return buffer.size();
        }
    } source;
    std::ifstream in(std::filesystem::path(VELTANE_FIXTURE_DIR) / "mpeg1_cbr128_stereo_44100.mp3",
                     std::ios::binary);
    source.bytes.assign(std::istreambuf_iterator<char>(in), {});
    FormatArea mpeg;
    mpeg.SetFormatTag(0x55);
    mpeg.SetChannels(2);
    mpeg.SetSamplesPerSec(44100);
    FormatArea pcm;
    ASSERT_TRUE(CodecStream::SuggestPcmFormat(mpeg, pcm));
    const std::unique_ptr<CodecStream> stream = CodecStream::Open(mpeg, pcm);
    ASSERT_NE(stream, nullptr);
    EXPECT_THROW(stream->Convert(source, [](std::span<const std::uint8_t>) { return true; }),
                 CFileException);
}

}  // namespace
