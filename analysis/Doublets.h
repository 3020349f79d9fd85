// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

// Parts each named peak (ascending frequency) that the long stretch shows as
// two, both under its name, levels from the long stretch's spectrum (the
// stronger at the merged peak's level), each with the beat between them.
void SplitMergedDoublets(std::vector<Peak>& peaks, const LongStretch& stretch);
