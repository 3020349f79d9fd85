// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// A fixed-size lock-free queue of samples from one producer thread to one
// consumer thread: neither side ever blocks, allocates or waits on the other.
// The producer is the capture device's audio callback, the consumer the window
// thread. Written by hand: the ring is a few lines of index arithmetic, the
// same pattern the output device already uses for its headers.
//
// Ordering: the producer writes samples, then stores m_tail with release; the
// consumer loads m_tail with acquire before reading them. The consumer reads
// samples, then stores m_head with release; the producer loads m_head with
// acquire before overwriting their slots. Each index is written by one side
// only, and both count samples since the start, wrapping at 2^32 (capacity a
// power of two, so the differences stay exact).
class SampleQueue {
  public:
    // capacityLog2: the queue holds 2^capacityLog2 samples. Allocates; any thread
    // before the producer and consumer start.
    explicit SampleQueue(unsigned capacityLog2);

    // Producer thread. Appends as much of samples as there is room for and
    // returns how many went in.
    std::size_t Push(std::span<const std::int16_t> samples);
    // Consumer thread. Moves up to out.size() of the oldest samples into out and
    // returns how many.
    std::size_t Pop(std::span<std::int16_t> out);
    // Consumer thread, while the producer is stopped: empties the queue.
    void Clear();

    std::size_t Capacity() const { return m_mask + 1; }

  private:
    std::unique_ptr<std::int16_t[]> m_ring;
    std::uint32_t m_mask;
    alignas(64) std::atomic<std::uint32_t> m_head{0};  // written by the consumer
    alignas(64) std::atomic<std::uint32_t> m_tail{0};  // written by the producer
};
