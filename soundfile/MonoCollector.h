// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "ConversionProgress.h"
#include "GrowingSamples.h"

// The end of a decode: blocks of interleaved 16-bit PCM mixed down to mono as
// they come, up to a number of samples. Loading thread only; one decode.
class MonoCollector {
  public:
    // sum is the mix-down's row; one it cannot mix takes no samples. limit is
    // at least 1. The progress must outlive this.
    MonoCollector(unsigned sum, std::int32_t limit, const ConversionProgress& progress);

    // The codec's block sink: false ends the decode, when the limit is reached
    // or the observer has cancelled.
    bool Take(std::span<const std::uint8_t> block);

    bool CanMix() const { return m_bytesPerSample != 0; }
    bool Full() const { return m_mono.Size() >= m_limit; }
    GrowingSamples& Samples() { return m_mono; }
    // The largest magnitude of the samples taken so far.
    std::int32_t PeakMagnitude() const { return m_peak; }

  private:
    unsigned m_sum;
    std::size_t m_bytesPerSample;
    std::size_t m_limit;
    const ConversionProgress& m_progress;
    GrowingSamples m_mono;
    std::int32_t m_peak = 0;
};
