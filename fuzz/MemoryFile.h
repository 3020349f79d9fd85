// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The fuzz input as a file that CStdioFile can open by path, kept in memory.
class MemoryFile {
  public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : m_fd(memfd_create("fuzz", 0)) {
        if (m_fd < 0) {
            std::abort();
        }
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = write(m_fd, data + written, size - written);
            if (n <= 0) {
                std::abort();
            }
            written += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile() { close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

  private:
    int m_fd;
};
