// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// How the partials change in time is read from a longer stretch than the
// spectrum's: from the onset, just under 6 s (2^18 samples at 44.1 kHz).
// A doublet 0.5 Hz apart beats once in 2 s; the spectrum's 3 s hold one and a
// half beats, under its window's resolution (about 1.4 Hz), while 6 s, with
// the decay itself as the window, hold three and part the two peaks. The
// bound keeps the work a few milliseconds however long the recording is.
inline constexpr double kLongStretchSeconds = 262144.0 / 44100.0;

// The long stretch at the rate the spectrum is taken at (filtered to half the
// rate from kHalvedFromRate up).
struct LongStretch {
    // Written whole as it is made, so not cleared first.
    std::unique_ptr<float[]> buffer;
    std::span<float> samples;  // of buffer
    double sampleRate = 0.0;
    std::size_t divisor = 1;  // the recording's rate over sampleRate
};

// From onset on, at most 2 kLongestStretch samples however high the rate; empty when the rate is
// not above 0 or onset is past the end.
LongStretch LoadLongStretch(std::span<const std::int16_t> samples, int sampleRate,
                            std::size_t onset);
