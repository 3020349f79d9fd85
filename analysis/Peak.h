// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// One partial of the recording, as the spectrum shows it.
struct Peak {
    double frequencyHz = 0.0;
    double levelDb = 0.0;  // relative to the strongest peak: 0 or below
    std::string partial;   // the bell partial's name; empty when it fits none
    // The level lost per second, from the strike on; none where the peak does
    // not stand clear of the noise long enough to tell.
    std::optional<double> decayDbPerSecond;
    // For each of a doublet's two peaks (a partial split in two): how far the
    // other lies, the rate at which they beat.
    std::optional<double> beatHz;
};
