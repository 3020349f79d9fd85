// SPDX-License-Identifier: GPL-3.0-or-later
#include "HalveRate.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr std::size_t kTaps = kHalfBand.size();
// Outputs a block: its samples stay in the first level of cache, and it is
// longer than the 2 kTaps - 1 samples that an output in place runs ahead.
constexpr std::size_t kBlock = 1024;

template <typename Sample>
[[gnu::always_inline]] inline void Halve(std::span<const Sample> in, std::span<float> out) {
    const std::size_t n = out.size();
    // A block's pairs of samples from kTaps before it to kTaps after it, zero
    // beyond either end of in: pair m is pair first + m - kTaps. All are read
    // before any output of the block is written.
    std::array<float, kBlock + 2 * kTaps> even{};
    std::array<float, kBlock + 2 * kTaps> odd{};
    for (std::size_t first = 0; first < n; first += kBlock) {
        const std::size_t count = std::min(kBlock, n - first);
        const std::size_t from = first < kTaps ? kTaps - first : 0;
        const std::size_t to = std::min(count + 2 * kTaps, n + kTaps - first);
        std::fill(odd.begin(), odd.begin() + static_cast<std::ptrdiff_t>(from), 0.0F);
        const Sample* pairs = in.data() + 2 * (first + from - kTaps);
        for (std::size_t m = from; m < to; ++m, pairs += 2) {
            even[m] = static_cast<float>(pairs[0]);
            odd[m] = static_cast<float>(pairs[1]);
        }
        std::fill(odd.begin() + static_cast<std::ptrdiff_t>(to), odd.end(), 0.0F);
        // Written out so that the compiler vectorizes it.
        for (std::size_t m = 0; m < count; ++m) {
            const float* o = odd.data() + m + kTaps;
            out[first + m] = 0.5F * even[m + kTaps] + kHalfBand[0] * (o[-1] + o[0]) +
                             kHalfBand[1] * (o[-2] + o[1]) + kHalfBand[2] * (o[-3] + o[2]) +
                             kHalfBand[3] * (o[-4] + o[3]) + kHalfBand[4] * (o[-5] + o[4]);
        }
    }
}

// Every analysis filters its whole long stretch, and the doublets' search
// filters it again: where the processor has 256-bit vectors this runs on them.
// The sums are the same, with no fused multiply-add, so the output is too.
#if defined(__x86_64__)
template <typename Sample>
[[gnu::target("avx2")]] void HalveWide(std::span<const Sample> in, std::span<float> out) {
    Halve(in, out);
}

template <typename Sample>
void HalveHere(std::span<const Sample> in, std::span<float> out) {
    static const bool wide = __builtin_cpu_supports("avx2") != 0;
    if (wide) {
        HalveWide(in, out);
    } else {
        Halve(in, out);
    }
}
#else
template <typename Sample>
void HalveHere(std::span<const Sample> in, std::span<float> out) {
    Halve(in, out);
}
#endif

}  // namespace

void HalveRate(std::span<const std::int16_t> in, std::span<float> out) {
    HalveHere(in, out);
}

void HalveRate(std::span<const float> in, std::span<float> out) {
    HalveHere(in, out);
}
