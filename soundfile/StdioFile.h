// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

// Raised by CStdioFile::Read on a read error (not at the end of the file).
class CFileException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A buffered, read-only binary file. Window thread only.
class CStdioFile {
  public:
    CStdioFile() = default;
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // False (never an exception) when the file cannot be opened for reading.
    // Anything but a regular file (a directory, a FIFO, a device) is refused
    // without blocking.
    bool Open(const std::string& path);
    // Up to count bytes; fewer only at the end of the file. Throws CFileException
    // on a read error.
    std::size_t Read(void* buffer, std::size_t count);
    // Seeks from the start of the file. Returns the new position.
    std::uint64_t Seek(std::uint64_t offset);
    void SeekToBegin() { Seek(0); }
    // The offset of the next byte that Read returns.
    std::uint64_t GetPosition() const;
    // The file's length in bytes.
    std::uint64_t GetLength() const;
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    std::string m_path;
};
