// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatchedSource.h"

WatchedSource::WatchedSource(ByteSource& source, ConversionProgress& progress)
    : m_source(source), m_progress(progress) {}

std::size_t WatchedSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (m_progress.Cancelled()) {
        return 0;
    }
    const std::size_t got = m_source.ReadAt(offset, buffer);
    const bool inOrder = offset == m_end;
    m_end = offset + got;
    if (inOrder) {
        m_progress.Reach(m_end);
    }
    return got;
}
