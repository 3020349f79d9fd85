// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "SoundFile.h"

// Mono samples appended as a decoder makes them, in a buffer sized once from
// the expected count and doubled only when that proves short. glibc's
// std::realloc() moves a buffer this large by remapping its pages, so neither
// the growth nor the final trim copies the samples or holds them twice, and
// room not yet written takes no memory.
class GrowingSamples {
  public:
    // Room for count samples in all, so that a good estimate never grows.
    // Throws std::bad_alloc when the memory is not there.
    void Reserve(std::size_t count);
    // Room for count more samples at the end, to be written by the caller.
    // Throws std::bad_alloc when the memory is not there.
    std::span<std::int16_t> Extend(std::size_t count);

    std::size_t Size() const { return m_size; }

    // The samples, in a buffer of exactly their size (room for one at least);
    // this is left empty.
    std::unique_ptr<std::int16_t[], SampleBufferFree> Release();

  private:
    void Reallocate(std::size_t capacity);

    std::unique_ptr<std::int16_t[], SampleBufferFree> m_samples;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};
