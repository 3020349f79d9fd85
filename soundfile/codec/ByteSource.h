// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The coded bytes of one conversion, read mostly front to back in small pieces
// so that a long recording is never held whole. The MPEG demuxer also seeks
// (tags sit at the end of a file).
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // The number of bytes the source holds.
    virtual std::uint64_t Size() const = 0;
    // Copies up to buffer.size() bytes from offset on into buffer and returns how
    // many; fewer only at the end of the source. May throw what the medium
    // behind it throws on a read error.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};
