// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealFft.h"

#include <fftw3.h>

#include <bit>
#include <map>
#include <mutex>
#include <new>
#include <utility>

namespace {

// A power-of-two size's plan, kept for the process, and the buffers of the
// last object of that size, kept for the next: buffers this large are given
// back to the system when freed and cost a page fault a page when taken
// again, as much as the transform itself.
struct Kept {
    Kept() = default;
    Kept(const Kept&) = delete;
    Kept& operator=(const Kept&) = delete;
    ~Kept() {
        if (plan != nullptr) {
            fftwf_destroy_plan(plan);
        }
        fftwf_free(in);
        fftwf_free(out);
    }

    fftwf_plan plan = nullptr;
    float* in = nullptr;
    float* out = nullptr;
};

// FFTW's planner is not thread-safe; executing a plan on other arrays of the
// same alignment (fftwf_malloc's) is.
std::mutex g_plannerMutex;
std::map<std::size_t, Kept> g_kept;  // by size; guarded by g_plannerMutex

}  // namespace

void RealFft::FftwFree::operator()(void* memory) const {
    fftwf_free(memory);
}

RealFft::RealFft(std::size_t size) : m_size(size) {
    const std::lock_guard lock(g_plannerMutex);
    Kept* kept = std::has_single_bit(size) ? &g_kept[size] : nullptr;
    if (kept != nullptr && kept->in != nullptr) {
        m_in.reset(std::exchange(kept->in, nullptr));
        m_out.reset(std::exchange(kept->out, nullptr));
    } else {
        m_in.reset(fftwf_alloc_real(size));
        m_out.reset(fftwf_alloc_real(2 * (size / 2 + 1)));
    }
    if (!m_in || !m_out) {
        throw std::bad_alloc();
    }
    if (kept != nullptr && kept->plan != nullptr) {
        m_plan = kept->plan;
        return;
    }
    // Estimated, not measured: measuring takes seconds and gains little here.
    m_plan = fftwf_plan_dft_r2c_1d(static_cast<int>(size), m_in.get(),
                                   reinterpret_cast<fftwf_complex*>(m_out.get()),
                                   FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
    if (m_plan == nullptr) {
        throw std::bad_alloc();
    }
    if (kept != nullptr) {
        kept->plan = static_cast<fftwf_plan>(m_plan);
    }
}

RealFft::~RealFft() {
    const std::lock_guard lock(g_plannerMutex);
    if (!std::has_single_bit(m_size)) {
        fftwf_destroy_plan(static_cast<fftwf_plan>(m_plan));
        return;
    }
    Kept& kept = g_kept[m_size];
    if (kept.in == nullptr) {
        kept.in = m_in.release();
        kept.out = m_out.release();
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
