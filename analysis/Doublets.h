// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

#include "LongStretch.h"
#include "Peak.h"

// A named peak with no other within this distance may be a doublet the
// spectrum's window merged into one (it parts peaks from about 1.5 Hz).
inline constexpr double kDoubletSearchHz = 2.0;
// A doublet's weaker peak is at most this far below the stronger, and the two
// are parted by a dip at least this deep below the weaker.
inline constexpr double kDoubletLevelDb = -20.0;
inline constexpr double kDoubletDipDb = -3.0;

// Two peaks merged into one beat, so the level strays from a plain decay line
// by at least this much: a weaker peak at kDoubletLevelDb swings it by 0.8 dB
// either way. Below it the long stretch's spectrum is not taken.
inline constexpr double kMergedStrayDb = 0.3;

// Parts each named peak (ascending frequency) whose level strays
// (strayDb, a peak each, from MeasureDecays) and that the long stretch shows
// as two, both under its name, levels from the long stretch's spectrum (the
// stronger at the merged peak's level), each with the beat between them and
// the merged peak's decay. Filters the stretch's samples in place, down to a
// lower rate: they are of no further use once this returns.
void SplitMergedDoublets(std::vector<Peak>& peaks, LongStretch& stretch,
                         std::span<const double> strayDb);
