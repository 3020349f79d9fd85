// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "RingTable.h"
#include "SyntheticBell.h"
#include "TestBytes.h"

inline constexpr int kBellRate = 44100;

inline double CentsAbove(double hz, double cents) {
    return hz * std::pow(2.0, cents / 1200.0);
}

// A bell whose partials lie the given cents from the nominal (in the order of
// kUsualIntervals), with a church bell's levels and decays.
inline std::vector<SyntheticPartial> TunedBell(double nominalHz,
                                               const std::array<double, 6>& cents) {
    const double levels[] = {-6, -8, -6, -20, -10, -14};
    const double decays[] = {6, 4, 3, 2, 1.5, 1.2};
    std::vector<SyntheticPartial> partials{{nominalHz, 0, 2.5, "nominal"}};
    for (std::size_t p = 0; p < cents.size(); ++p) {
        partials.push_back({CentsAbove(nominalHz, cents[p]), levels[p], decays[p],
                            std::string(kUsualIntervals[p].partial)});
    }
    return partials;
}

inline std::vector<SyntheticPartial> UsualBell(double nominalHz) {
    return TunedBell(nominalHz, {-2400, -1200, -900, -498, 702, 1200});
}

// The bell as a mono 16-bit WAV file in dir; its path.
inline std::string WriteBell(const TempDir& dir, const std::string& name,
                             const std::vector<SyntheticPartial>& bell, double seconds = 3.2) {
    const std::vector<std::int16_t> samples = SyntheticBell(bell, kBellRate, seconds);
    const FmtFields mono{1, 1, kBellRate, 2 * kBellRate, 2, 16};
    return dir.Write(name, PcmWave(mono, S16(samples)));
}
