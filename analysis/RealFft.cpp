// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealFft.h"

#include <fftw3.h>

#include <bit>
#include <map>
#include <mutex>
#include <new>

namespace {

// FFTW's planner is not thread-safe; executing a plan on other arrays of the
// same alignment (fftwf_malloc's) is.
std::mutex g_plannerMutex;
std::map<std::size_t, fftwf_plan> g_keptPlans;  // by size; guarded by g_plannerMutex

}  // namespace

void RealFft::FftwFree::operator()(void* memory) const {
    fftwf_free(memory);
}

RealFft::RealFft(std::size_t size)
    : m_size(size), m_in(fftwf_alloc_real(size)), m_out(fftwf_alloc_real(2 * (size / 2 + 1))) {
    if (!m_in || !m_out) {
        throw std::bad_alloc();
    }
    const std::lock_guard lock(g_plannerMutex);
    const bool kept = std::has_single_bit(size);
    const auto found = g_keptPlans.find(size);
    if (kept && found != g_keptPlans.end()) {
        m_plan = found->second;
        return;
    }
    // Estimated, not measured: measuring takes seconds and gains little here.
    m_plan = fftwf_plan_dft_r2c_1d(static_cast<int>(size), m_in.get(),
                                   reinterpret_cast<fftwf_complex*>(m_out.get()),
                                   FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
    if (m_plan == nullptr) {
        throw std::bad_alloc();
    }
    if (kept) {
        g_keptPlans.emplace(size, static_cast<fftwf_plan>(m_plan));
    } else {
        m_ownsPlan = true;
    }
}

RealFft::~RealFft() {
    if (m_ownsPlan) {
        const std::lock_guard lock(g_plannerMutex);
        fftwf_destroy_plan(static_cast<fftwf_plan>(m_plan));
    }
}

std::span<const std::complex<float>> RealFft::Output() const {
    // fftwf_complex and std::complex<float> share their layout.
    return {reinterpret_cast<const std::complex<float>*>(m_out.get()), m_size / 2 + 1};
}

void RealFft::Transform() {
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(m_plan), m_in.get(),
                          reinterpret_cast<fftwf_complex*>(m_out.get()));
}
