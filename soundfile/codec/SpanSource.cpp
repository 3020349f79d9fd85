// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpanSource.h"

#include <algorithm>

std::size_t SpanSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const std::span<const std::uint8_t> rest = m_bytes.subspan(static_cast<std::size_t>(offset));
    const std::size_t count = std::min(buffer.size(), rest.size());
    std::copy_n(rest.begin(), count, buffer.begin());
    return count;
}
