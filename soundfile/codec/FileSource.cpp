// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSource.h"

#include <algorithm>

FileSource::FileSource(CStdioFile& file, std::uint64_t start, std::uint64_t size)
    : m_file(file), m_start(start), m_size(size) {}

std::size_t FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset >= m_size || m_cut) {
        return 0;
    }
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), m_size - offset));
    // A seek drops what the file has buffered; in order, none is needed.
    if (offset != m_next && m_file.Seek(m_start + offset) != m_start + offset) {
        m_cut = true;
        return 0;
    }
    const std::size_t got = m_file.Read(buffer.data(), count);
    m_next = offset + got;
    m_cut = got < count;
    return got;
}
