// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3FrameHeader.h"

std::optional<Mp3FrameHeader> Mp3FrameHeader::Parse(std::span<const std::uint8_t, kSize> bytes) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    Mp3FrameHeader header;
    header.m_versionId = static_cast<std::uint8_t>((bytes[1] >> 3) & 0x3);
    header.m_layerCode = static_cast<std::uint8_t>((bytes[1] >> 1) & 0x3);
    header.m_bitrateIndex = static_cast<std::uint8_t>(bytes[2] >> 4);
    header.m_samplingFrequencyIndex = static_cast<std::uint8_t>((bytes[2] >> 2) & 0x3);
    header.m_channelMode = static_cast<std::uint8_t>(bytes[3] >> 6);
    if (header.m_versionId == 1 || header.m_layerCode == 0 || header.m_bitrateIndex == 0 ||
        header.m_bitrateIndex == 15 || header.m_samplingFrequencyIndex == 3) {
        return std::nullopt;
    }
    return header;
}

std::optional<std::size_t> Mp3FrameHeader::Find(std::span<const std::uint8_t> bytes,
                                                std::size_t maxOffset) {
    for (std::size_t offset = 0; offset <= maxOffset && offset + kSize <= bytes.size(); ++offset) {
        if (Parse(bytes.subspan(offset).first<kSize>())) {
            return offset;
        }
    }
    return std::nullopt;
}
