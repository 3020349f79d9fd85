// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <stop_token>
#include <string>

#include "RecordingAnalysis.h"

// A bell's recording as the table needs it: analysed, or the message that says
// why it could not be loaded (the one Read Waveform shows).
struct BellAnalysis {
    std::optional<RecordingAnalysis> analysis;  // none when not loaded
    std::string error;                          // empty when loaded
};

// Loads as much of the recording as the analysis reads, as Read Waveform loads
// it, and analyses it. Any thread; each
// call has a sound file of its own. nullopt when stop is requested first.
std::optional<BellAnalysis> AnalyseBell(const std::string& path, std::stop_token stop = {});
