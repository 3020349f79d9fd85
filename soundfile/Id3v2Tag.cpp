// SPDX-License-Identifier: GPL-3.0-or-later
#include "Id3v2Tag.h"

std::optional<std::uint32_t> Id3v2Tag::TotalSize(std::span<const std::uint8_t> header) {
    if (header.size() < kHeaderSize || header[0] != 'I' || header[1] != 'D' || header[2] != '3') {
        return std::nullopt;
    }
    // Versions and size bytes are never 0xFF, and each size byte keeps its top
    // bit clear so that no sync pattern can appear in the header.
    if (header[3] == 0xFF || header[4] == 0xFF) {
        return std::nullopt;
    }
    std::uint32_t size = 0;
    for (std::size_t i = 6; i < kHeaderSize; ++i) {
        if ((header[i] & 0x80) != 0) {
            return std::nullopt;
        }
        size = size << 7 | header[i];
    }
    const bool hasFooter = (header[5] & 0x10) != 0;
    return size + static_cast<std::uint32_t>(kHeaderSize) + (hasFooter ? 10u : 0u);
}
