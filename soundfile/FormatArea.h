// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "LittleEndian.h"

// The wFormatTag values the readers and the codec layer name.
namespace wave_format_tag {
inline constexpr std::uint16_t kPcm = 0x0001;
inline constexpr std::uint16_t kMpeg = 0x0050;
inline constexpr std::uint16_t kMpegLayer3 = 0x0055;
inline constexpr std::uint16_t kExtensible = 0xFFFE;
}  // namespace wave_format_tag

// A format record as it stands in a RIFF "fmt " chunk: the 18-byte WAVEFORMATEX
// base (little-endian fields, no padding) followed by up to 38 bytes of
// format-specific data. Kept as bytes because a fmt body is copied in verbatim
// and handed on verbatim to the codec layer.
class FormatArea {
  public:
    static constexpr std::size_t kSize = 56;
    static constexpr std::size_t kBaseSize = 18;
    static constexpr std::size_t kMaxExtraBytes = kSize - kBaseSize;

    // Byte offsets of the base fields.
    static constexpr std::size_t kFormatTag = 0;
    static constexpr std::size_t kChannels = 2;
    static constexpr std::size_t kSamplesPerSec = 4;
    static constexpr std::size_t kAvgBytesPerSec = 8;
    static constexpr std::size_t kBlockAlign = 12;
    static constexpr std::size_t kBitsPerSample = 14;
    static constexpr std::size_t kCbSize = 16;

    std::uint16_t FormatTag() const { return U16(kFormatTag); }
    std::uint16_t Channels() const { return U16(kChannels); }
    std::uint32_t SamplesPerSec() const { return U32(kSamplesPerSec); }
    std::uint32_t AvgBytesPerSec() const { return U32(kAvgBytesPerSec); }
    std::uint16_t BlockAlign() const { return U16(kBlockAlign); }
    std::uint16_t BitsPerSample() const { return U16(kBitsPerSample); }
    std::uint16_t CbSize() const { return U16(kCbSize); }

    void SetFormatTag(std::uint16_t v) { SetU16(kFormatTag, v); }
    void SetChannels(std::uint16_t v) { SetU16(kChannels, v); }
    void SetSamplesPerSec(std::uint32_t v) { SetU32(kSamplesPerSec, v); }
    void SetAvgBytesPerSec(std::uint32_t v) { SetU32(kAvgBytesPerSec, v); }
    void SetBlockAlign(std::uint16_t v) { SetU16(kBlockAlign, v); }
    void SetBitsPerSample(std::uint16_t v) { SetU16(kBitsPerSample, v); }
    void SetCbSize(std::uint16_t v) { SetU16(kCbSize, v); }

    std::uint16_t U16(std::size_t offset) const { return LittleEndian16(&bytes[offset]); }
    std::uint32_t U32(std::size_t offset) const { return LittleEndian32(&bytes[offset]); }
    void SetU16(std::size_t offset, std::uint16_t v) {
        bytes[offset] = static_cast<std::uint8_t>(v);
        bytes[offset + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void SetU32(std::size_t offset, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }

    std::array<std::uint8_t, kSize> bytes{};
};
