// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Interleaved PCM to mono signed 16-bit samples, chosen by the sum of the
// channel count and the bits per sample: 9 (8-bit mono), 10 (8-bit stereo),
// 17 (16-bit mono) and 18 (16-bit stereo). Pure; integer arithmetic only, and
// every result is in range, so nothing is clipped.
class MonoMixDown {
  public:
    // Bytes of PCM consumed per mono sample; 0 for a sum that cannot be mixed.
    static std::size_t BytesPerSample(unsigned sum);

    // The number of samples to make: the wanted count (0 when it is 0 or less)
    // cut to what pcmBytes holds. 0 for a sum that cannot be mixed.
    static std::int32_t SampleCount(unsigned sum, std::size_t pcmBytes, std::int32_t wanted);

    // Fills every element of out and returns the largest magnitude among them
    // (0 for none), found as they are made so that nothing reads them again
    // for it. out.size() * BytesPerSample(sum) must not exceed pcm.size(), and
    // the sum must be one that can be mixed.
    static std::int32_t Run(unsigned sum, std::span<const std::uint8_t> pcm,
                            std::span<std::int16_t> out);
};
