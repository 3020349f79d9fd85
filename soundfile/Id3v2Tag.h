// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// An ID3v2 tag in front of MPEG audio: "ID3", major and revision version, a
// flags byte and a 28-bit syncsafe size that counts neither the 10-byte header
// nor the 10-byte footer that flag bit 4 announces. Pure.
class Id3v2Tag {
  public:
    static constexpr std::size_t kHeaderSize = 10;

    // The tag's whole length in bytes (header, body and footer) when header
    // starts with a well-formed ID3v2 header; nothing otherwise.
    static std::optional<std::uint32_t> TotalSize(std::span<const std::uint8_t> header);
};
