// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The fields of one MPEG audio frame header (ISO/IEC 11172-3 and 13818-3, with
// the MPEG-2.5 extension) that describe a stream well enough to hand it to a
// decoder. Pure: parsing looks only at the four bytes given.
class Mp3FrameHeader {
  public:
    static constexpr std::size_t kSize = 4;

    // Nothing unless the bytes hold a header that names a usable stream: the
    // 11-bit sync, a version other than the reserved one, a layer, a bitrate
    // index other than free format (0) or forbidden (15) and a sampling
    // frequency index other than reserved (3).
    static std::optional<Mp3FrameHeader> Parse(std::span<const std::uint8_t, kSize> bytes);

    // Offset of the first header among the windows that start at offsets 0 to
    // maxOffset of bytes; nothing when no window up to there holds one.
    static std::optional<std::size_t> Find(std::span<const std::uint8_t> bytes,
                                           std::size_t maxOffset);

    std::uint16_t Channels() const { return kChannels[m_channelMode]; }
    std::uint32_t SamplesPerSec() const {
        return kSamplingFrequency[m_versionId * 3u + m_samplingFrequencyIndex];
    }
    // kbit/s, from the row of the header's own layer, whichever layer it is.
    std::uint32_t BitrateKbps() const {
        return kBitrateKbps[m_versionId & 1u][m_layerCode - 1u][m_bitrateIndex];
    }

    std::uint8_t VersionId() const { return m_versionId; }
    std::uint8_t LayerCode() const { return m_layerCode; }

    // By channel mode: stereo, joint stereo, dual channel, single channel.
    static constexpr std::array<std::uint16_t, 4> kChannels{2, 2, 2, 1};

    // Hz, at version id * 3 + sampling frequency index; version id 01 is reserved.
    static constexpr std::array<std::uint32_t, 12> kSamplingFrequency{
        11025, 12000, 8000,   // 00 MPEG-2.5
        0,     0,     0,      // 01 reserved
        22050, 24000, 16000,  // 10 MPEG-2
        44100, 48000, 32000,  // 11 MPEG-1
    };

    // kbit/s at [bit 0 of version id][layer code - 1][bitrate index]; layer
    // codes 1, 2, 3 are Layer III, II, I. The low-sampling-frequency rows serve
    // MPEG-2 and MPEG-2.5 alike.
    static constexpr std::uint16_t kBitrateKbps[2][3][16]{
        {
            {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
            {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
            {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        },
        {
            {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
            {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
            {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        },
    };

  private:
    std::uint8_t m_versionId = 0;
    std::uint8_t m_layerCode = 0;
    std::uint8_t m_bitrateIndex = 0;
    std::uint8_t m_samplingFrequencyIndex = 0;
    std::uint8_t m_channelMode = 0;
};
