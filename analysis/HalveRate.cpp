// SPDX-License-Identifier: GPL-3.0-or-later
#include "HalveRate.h"

#include <cstddef>

void HalveRate(std::span<const std::int16_t> in, std::span<float> out, std::span<float> scratch) {
    const std::size_t n = out.size();
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = in[2 * i];
        scratch[i] = in[2 * i + 1];
    }
    // Near the ends, checked (an index below 0 wraps to beyond n).
    constexpr std::size_t kTaps = kHalfBand.size();
    const auto odd = [&](std::size_t i) { return i < n ? scratch[i] : 0.0F; };
    const auto checked = [&](std::size_t i) {
        float sum = 0.5F * out[i];
        for (std::size_t j = 0; j < kTaps; ++j) {
            sum += kHalfBand[j] * (odd(i - j - 1) + odd(i + j));
        }
        return sum;
    };
    for (std::size_t i = 0; i < kTaps; ++i) {
        out[i] = checked(i);
    }
    for (std::size_t i = n - kTaps + 1; i < n; ++i) {
        out[i] = checked(i);
    }
    // Between them, written out so that the compiler vectorizes it.
    for (std::size_t i = kTaps; i + kTaps <= n; ++i) {
        const float* o = scratch.data() + i;
        out[i] = 0.5F * out[i] + kHalfBand[0] * (o[-1] + o[0]) + kHalfBand[1] * (o[-2] + o[1]) +
                 kHalfBand[2] * (o[-3] + o[2]) + kHalfBand[3] * (o[-4] + o[3]) +
                 kHalfBand[4] * (o[-5] + o[4]);
    }
}
