// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonoMixDown.h"

#include <algorithm>
#include <cassert>

#include "LittleEndian.h"

namespace {

std::int32_t S16At(std::span<const std::uint8_t> pcm, std::size_t index) {
    return static_cast<std::int16_t>(LittleEndian16(&pcm[2 * index]));
}

}  // namespace

std::size_t MonoMixDown::BytesPerSample(unsigned sum) {
    switch (sum) {
        case 9:
            return 1;
        case 10:
        case 17:
            return 2;
        case 18:
            return 4;
        default:
            return 0;
    }
}

std::int32_t MonoMixDown::SampleCount(unsigned sum, std::size_t pcmBytes, std::int32_t wanted) {
    const std::size_t bytesPerSample = BytesPerSample(sum);
    if (bytesPerSample == 0 || wanted <= 0) {
        return 0;
    }
    const std::size_t available = pcmBytes / bytesPerSample;
    return static_cast<std::int32_t>(std::min(static_cast<std::size_t>(wanted), available));
}

std::int32_t MonoMixDown::Run(unsigned sum, std::span<const std::uint8_t> pcm,
                              std::span<std::int16_t> out) {
    assert(BytesPerSample(sum) != 0 && out.size() * BytesPerSample(sum) <= pcm.size());
    const std::size_t n = out.size();
    // 16-bit bounds, so that the comparisons vectorize with the samples.
    std::int16_t low = 0;
    std::int16_t high = 0;
    const auto put = [&](std::size_t i, std::int32_t value) {
        const auto sample = static_cast<std::int16_t>(value);
        out[i] = sample;
        low = std::min(low, sample);
        high = std::max(high, sample);
    };
    switch (sum) {
        case 9:
            for (std::size_t i = 0; i < n; ++i) {
                put(i, (pcm[i] - 128) * 256);
            }
            break;
        case 10:
            for (std::size_t i = 0; i < n; ++i) {
                put(i, (pcm[2 * i] + pcm[2 * i + 1] - 256) * 128);
            }
            break;
        case 17:
            for (std::size_t i = 0; i < n; ++i) {
                put(i, S16At(pcm, i));
            }
            break;
        case 18:
            // Division of the 32-bit sum truncates toward zero: (-3 + 0) / 2 is -1.
            for (std::size_t i = 0; i < n; ++i) {
                put(i, (S16At(pcm, 2 * i) + S16At(pcm, 2 * i + 1)) / 2);
            }
            break;
        default:
            break;
    }
    return std::max(std::int32_t{high}, -std::int32_t{low});
}
