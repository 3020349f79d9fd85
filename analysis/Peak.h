// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// One partial of the recording, as the spectrum shows it.
struct Peak {
    double frequencyHz = 0.0;
    double levelDb = 0.0;  // relative to the strongest peak: 0 or below
    std::string partial;   // the bell partial's name; empty when it fits none
};
