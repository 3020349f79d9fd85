// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealFft.h"

#include <fftw3.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <utility>

namespace {

// A size's plan and the buffers of the last object of that size, kept for the
// next: planning costs as much as a transform even when FFTW has planned the
// size before, and buffers this large are given back to the system when freed
// and cost a page fault a page when taken again.
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
    unsigned users = 0;         // objects of this size alive
    std::uint64_t lastUse = 0;  // when the last of them went
};

// A recording's sizes are a few a rate; short recordings bring sizes of their
// own, so only this many are kept, the longest unused going first.
constexpr std::size_t kKeptSizes = 8;

// FFTW's planner is not thread-safe; executing a plan on other arrays of the
// same alignment (fftwf_malloc's) is.
std::mutex g_plannerMutex;
std::map<std::size_t, Kept> g_kept;  // by size; guarded by g_plannerMutex
std::uint64_t g_uses = 0;            // guarded by g_plannerMutex

// Under g_plannerMutex.
void ForgetUnusedSizes() {
    while (g_kept.size() > kKeptSizes) {
        auto oldest = g_kept.end();
        for (auto kept = g_kept.begin(); kept != g_kept.end(); ++kept) {
            if (kept->second.users == 0 &&
                (oldest == g_kept.end() || kept->second.lastUse < oldest->second.lastUse)) {
                oldest = kept;
            }
        }
        if (oldest == g_kept.end()) {
            return;
        }
        g_kept.erase(oldest);
    }
}

}  // namespace

void RealFft::FftwFree::operator()(void* memory) const {
    fftwf_free(memory);
}

RealFft::RealFft(std::size_t size) : m_size(size) {
    const std::lock_guard lock(g_plannerMutex);
    Kept& kept = g_kept[size];
    if (kept.in != nullptr) {
        m_in.reset(std::exchange(kept.in, nullptr));
        m_out.reset(std::exchange(kept.out, nullptr));
    } else {
        m_in.reset(fftwf_alloc_real(size));
        m_out.reset(fftwf_alloc_real(2 * (size / 2 + 1)));
    }
    if (!m_in || !m_out) {
        throw std::bad_alloc();
    }
    if (kept.plan == nullptr) {
        // Estimated, not measured: measuring takes seconds and gains little here.
        kept.plan = fftwf_plan_dft_r2c_1d(static_cast<int>(size), m_in.get(),
                                          reinterpret_cast<fftwf_complex*>(m_out.get()),
                                          FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
    }
    if (kept.plan == nullptr) {
        throw std::bad_alloc();
    }
    m_plan = kept.plan;
    ++kept.users;
}

RealFft::~RealFft() {
    const std::lock_guard lock(g_plannerMutex);
    Kept& kept = g_kept[m_size];
    if (kept.in == nullptr) {
        kept.in = m_in.release();
        kept.out = m_out.release();
    }
    --kept.users;
    kept.lastUse = ++g_uses;
    ForgetUnusedSizes();
}

std::span<const std::complex<float>> RealFft::Output() const {
    // fftwf_complex and std::complex<float> share their layout.
    return {reinterpret_cast<const std::complex<float>*>(m_out.get()), m_size / 2 + 1};
}

void RealFft::Transform() {
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(m_plan), m_in.get(),
                          reinterpret_cast<fftwf_complex*>(m_out.get()));
}
