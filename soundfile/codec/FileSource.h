// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "ByteSource.h"
#include "StdioFile.h"

// A stretch of a file (a WAV data chunk, a whole MP3 file) read straight from
// it, a packet at a time, as the codec layer asks: a long recording's coded
// bytes are never held whole. Reads mostly follow each other, so the file is
// only sought when they do not. The file must outlive the source.
class FileSource : public ByteSource {
  public:
    // The file must stand at start.
    FileSource(CStdioFile& file, std::uint64_t start, std::uint64_t size);

    std::uint64_t Size() const override { return m_size; }
    // Throws CFileException on a read error, as the file does.
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;

    // Where the last read ended, from the source's start.
    std::uint64_t Position() const { return m_next; }
    // True when the file held less than its length promised: it shrank since
    // the length was taken. Nothing is read after that.
    bool Cut() const { return m_cut; }

  private:
    CStdioFile& m_file;
    std::uint64_t m_start;
    std::uint64_t m_size;
    std::uint64_t m_next = 0;  // the offset the file stands at
    bool m_cut = false;
};
