// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "LoadOptions.h"

// Tells a load's progress observer how far a conversion has come: once every
// kStepBytes of the data and once at the end, and remembers a cancel. With no
// observer every step goes on. Loading thread only.
class ConversionProgress {
  public:
    static constexpr std::uint64_t kStepBytes = std::uint64_t{1} << 20;

    // The observer must outlive this.
    ConversionProgress(const LoadProgress& observer, std::uint64_t total);

    // done bytes of the total are converted: told when a step has passed since
    // the last telling. False once the observer has cancelled.
    bool Reach(std::uint64_t done);
    // All of the total is converted: told unless it was the last thing told.
    // False once the observer has cancelled.
    bool Finish();
    bool Cancelled() const { return m_cancelled; }

  private:
    bool Tell(std::uint64_t done);

    const LoadProgress& m_observer;
    std::uint64_t m_total;
    std::uint64_t m_nextStep = kStepBytes;
    bool m_toldTotal = false;
    bool m_cancelled = false;
};
