// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// The loudness of a block of 16-bit samples as the level meter shows it: the
// RMS in dB relative to full scale (a full-scale square wave is 0 dBFS, a
// full-scale sine -3 dBFS), and whether any sample reached full scale. Pure;
// any thread.
struct BlockLevel {
    // What an empty or all-zero block reads: below anything a 16-bit sample
    // can carry (one LSB of noise is about -90 dBFS).
    static constexpr double kSilenceDb = -120.0;

    double dbfs = kSilenceDb;
    bool clipped = false;  // a sample at 32767 or -32768

    static BlockLevel Of(std::span<const std::int16_t> samples);
    // dBFS of a mean square in units of full scale squared.
    static double DbOfMeanSquare(double meanSquare);
};
