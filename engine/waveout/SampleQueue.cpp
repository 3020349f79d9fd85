// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SampleQueue.h"

#include <algorithm>
#include <cstring>

SampleQueue::SampleQueue(unsigned capacityLog2)
    : m_ring(new std::int16_t[std::size_t{1} << capacityLog2]),
      m_mask((std::uint32_t{1} << capacityLog2) - 1) {}

std::size_t SampleQueue::Push(std::span<const std::int16_t> samples) {
    const std::uint32_t tail = m_tail.load(std::memory_order_relaxed);
    const std::uint32_t room = m_mask + 1 - (tail - m_head.load(std::memory_order_acquire));
    const std::uint32_t count = std::min<std::uint32_t>(room, std::uint32_t(samples.size()));
    const std::uint32_t start = tail & m_mask;
    const std::uint32_t first = std::min(count, m_mask + 1 - start);
    std::memcpy(&m_ring[start], samples.data(), first * sizeof(std::int16_t));
    std::memcpy(&m_ring[0], samples.data() + first, (count - first) * sizeof(std::int16_t));
    m_tail.store(tail + count, std::memory_order_release);
    return count;
}

std::size_t SampleQueue::Pop(std::span<std::int16_t> out) {
    const std::uint32_t head = m_head.load(std::memory_order_relaxed);
    const std::uint32_t ready = m_tail.load(std::memory_order_acquire) - head;
    const std::uint32_t count = std::min<std::uint32_t>(ready, std::uint32_t(out.size()));
    const std::uint32_t start = head & m_mask;
    const std::uint32_t first = std::min(count, m_mask + 1 - start);
    std::memcpy(out.data(), &m_ring[start], first * sizeof(std::int16_t));
    std::memcpy(out.data() + first, &m_ring[0], (count - first) * sizeof(std::int16_t));
    m_head.store(head + count, std::memory_order_release);
    return count;
}

void SampleQueue::Clear() {
    m_head.store(m_tail.load(std::memory_order_acquire), std::memory_order_release);
}
