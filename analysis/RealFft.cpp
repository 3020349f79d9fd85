// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealFft.h"

#include <fftw3.h>

#include <mutex>
#include <new>

namespace {

// FFTW's planner is not thread-safe; executing a plan is.
std::mutex g_plannerMutex;

}  // namespace

void RealFft::FftwFree::operator()(void* memory) const {
    fftw_free(memory);
}

void RealFft::PlanDestroy::operator()(void* plan) const {
    const std::lock_guard lock(g_plannerMutex);
    fftw_destroy_plan(static_cast<fftw_plan>(plan));
}

RealFft::RealFft(std::size_t size)
    : m_size(size), m_in(fftw_alloc_real(size)), m_out(fftw_alloc_real(2 * (size / 2 + 1))) {
    if (!m_in || !m_out) {
        throw std::bad_alloc();
    }
    {
        // Estimated, not measured: planning stays a few milliseconds.
        const std::lock_guard lock(g_plannerMutex);
        m_plan.reset(fftw_plan_dft_r2c_1d(static_cast<int>(size), m_in.get(),
                                          reinterpret_cast<fftw_complex*>(m_out.get()),
                                          FFTW_ESTIMATE | FFTW_DESTROY_INPUT));
    }
    if (!m_plan) {
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() = default;

std::span<const std::complex<double>> RealFft::Output() const {
    // fftw_complex and std::complex<double> share their layout.
    return {reinterpret_cast<const std::complex<double>*>(m_out.get()), m_size / 2 + 1};
}

void RealFft::Transform() {
    fftw_execute(static_cast<fftw_plan>(m_plan.get()));
}
