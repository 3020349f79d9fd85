// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

#include "ConversionProgress.h"
#include "codec/ByteSource.h"

// A source whose reads tell a conversion's progress, so that it is told (and
// may be cancelled) even while a decoder makes nothing of what it reads.
// Only reads that follow on from the last one count: the MPEG demuxer looks at
// the file's end for tags before it starts. Once cancelled the source reads as
// ended, which stops any decoder. Both must outlive this; loading thread only.
class WatchedSource : public ByteSource {
  public:
    WatchedSource(ByteSource& source, ConversionProgress& progress);

    std::uint64_t Size() const override { return m_source.Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

  private:
    ByteSource& m_source;
    ConversionProgress& m_progress;
    std::uint64_t m_end = 0;  // where the last read ended
};
