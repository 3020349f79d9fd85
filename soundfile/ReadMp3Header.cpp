// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <limits>

#include "Id3v2Tag.h"
#include "Mp3FrameHeader.h"
#include "SoundFile.h"

namespace {

// MPEGLAYER3WAVEFORMAT: the five Layer-3 fields behind the 18-byte base.
constexpr std::uint16_t kMpegLayer3ExtraBytes = 12;
constexpr std::size_t kId = 18;
constexpr std::size_t kFlags = 20;
constexpr std::size_t kBlockSize = 24;
constexpr std::size_t kFramesPerBlock = 26;
constexpr std::size_t kCodecDelay = 28;
constexpr std::uint16_t kMpegLayer3IdMpeg = 1;
constexpr std::uint32_t kMpegLayer3FlagPaddingOff = 2;

// Windows at offsets 0 to 2001 from where the search starts are tested.
constexpr std::size_t kLastOffset = 2001;

// Where the frame search starts: behind an ID3v2 tag at the start of the file
// (cover art easily outgrows the search window), else at the first byte.
std::uint64_t AudioStart(CStdioFile& file, std::uint64_t length) {
    std::array<std::uint8_t, Id3v2Tag::kHeaderSize> bytes{};
    const std::size_t got = file.Read(bytes.data(), bytes.size());
    const auto tagSize = Id3v2Tag::TotalSize(std::span(bytes.data(), got));
    return tagSize && *tagSize <= length ? *tagSize : 0;
}

}  // namespace

LoadResult CSoundFile::ReadMp3Header(CStdioFile& file) {
    const std::uint64_t length = file.GetLength();
    file.Seek(AudioStart(file, length));

    std::array<std::uint8_t, kLastOffset + Mp3FrameHeader::kSize> window{};
    const std::size_t got = file.Read(window.data(), window.size());
    const auto offset = Mp3FrameHeader::Find(std::span(window.data(), got), kLastOffset);
    if (!offset) {
        return LoadResult::kNotMp3;
    }
    const Mp3FrameHeader header =
        *Mp3FrameHeader::Parse(std::span(window).subspan(*offset).first<Mp3FrameHeader::kSize>());

    const std::uint32_t bytesPerSec = header.BitrateKbps() * 125u;
    m_format.SetFormatTag(wave_format_tag::kMpegLayer3);
    m_format.SetChannels(header.Channels());
    m_format.SetSamplesPerSec(header.SamplesPerSec());
    m_format.SetAvgBytesPerSec(bytesPerSec);
    m_format.SetBlockAlign(1);
    m_format.SetBitsPerSample(0);
    m_format.SetCbSize(kMpegLayer3ExtraBytes);
    m_format.SetU16(kId, kMpegLayer3IdMpeg);
    m_format.SetU32(kFlags, kMpegLayer3FlagPaddingOff);
    m_format.SetU16(kBlockSize, 384);
    m_format.SetU16(kFramesPerBlock, 1);
    m_format.SetU16(kCodecDelay, 1393);

    // The whole file goes to the decoder, tags and all; the count assumes every
    // byte is audio at the first frame's bitrate.
    m_dataLength = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(length, std::numeric_limits<std::uint32_t>::max()));
    const std::uint64_t frames =
        static_cast<std::uint64_t>(m_dataLength) * header.SamplesPerSec() / bytesPerSec;
    m_sampleCount = static_cast<std::int32_t>(
        std::min<std::uint64_t>(frames, std::numeric_limits<std::int32_t>::max()));
    file.SeekToBegin();
    return LoadResult::kOk;
}
