// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

// A forward real-to-complex DFT of a fixed size, in double precision, over
// FFTW. (libavutil's double real transform, the other candidate already
// linked, falls back to a quadratic-time path above 2^18 points in the
// versions Debian ships, and the spectrum needs 2^20.)
// One object per thread; construction may run on any thread.
class RealFft {
  public:
    // size: samples in, even and at least 4. Throws std::bad_alloc when the
    // buffers or the plan cannot be made.
    explicit RealFft(std::size_t size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    std::size_t Size() const { return m_size; }

    // Size() samples to transform; write them before Transform().
    std::span<double> Input() { return {m_in.get(), m_size}; }
    // Size() / 2 + 1 bins, unscaled, valid after Transform().
    std::span<const std::complex<double>> Output() const;

    // Overwrites Input().
    void Transform();

  private:
    struct FftwFree {
        void operator()(void* memory) const;
    };
    struct PlanDestroy {
        void operator()(void* plan) const;
    };

    std::size_t m_size;
    std::unique_ptr<double[], FftwFree> m_in;
    std::unique_ptr<double[], FftwFree> m_out;  // interleaved re, im
    std::unique_ptr<void, PlanDestroy> m_plan;
};
