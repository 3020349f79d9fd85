// SPDX-License-Identifier: GPL-3.0-or-later
#include "GrowingSamples.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

// 256 KiB, three seconds at 44.1 kHz: a short recording grows a few times only.
constexpr std::size_t kFirstCapacity = std::size_t{1} << 17;

}  // namespace

void GrowingSamples::Reserve(std::size_t count) {
    if (count > m_capacity) {
        Reallocate(count);
    }
}

std::span<std::int16_t> GrowingSamples::Extend(std::size_t count) {
    if (count > m_capacity - m_size) {
        Reallocate(std::max({m_size + count, 2 * m_capacity, kFirstCapacity}));
    }
    const std::span<std::int16_t> room(m_samples.get() + m_size, count);
    m_size += count;
    return room;
}

std::unique_ptr<std::int16_t[], SampleBufferFree> GrowingSamples::Release() {
    Reallocate(m_size);
    m_size = 0;
    m_capacity = 0;
    return std::move(m_samples);
}

void GrowingSamples::Reallocate(std::size_t capacity) {
    // Room for one at least, as std::realloc(p, 0) may free p.
    void* moved =
        std::realloc(m_samples.get(), std::max<std::size_t>(capacity, 1) * sizeof(std::int16_t));
    if (moved == nullptr) {
        throw std::bad_alloc();
    }
    static_cast<void>(m_samples.release());
    m_samples.reset(static_cast<std::int16_t*>(moved));
    m_capacity = capacity;
}
