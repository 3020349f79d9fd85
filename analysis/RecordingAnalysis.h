// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>

#include "BellPartials.h"
#include "LongStretch.h"
#include "PeakFinder.h"
#include "StrikeEstimate.h"

// Everything shown about a recording: its spectrum and peaks, their bell
// partial names, doublets and decay rates, and the strike estimate.
struct RecordingAnalysis {
    PeakSpectrum spectrum;
    std::optional<StrikeEstimate> strike;
    BellKind kind = BellKind::kNone;
};

// The most of a recording, from its start, that the analysis reads: the onset
// search, then the longer of its stretches from an onset at its very end. A
// caller that needs only the analysis may load no more than this.
inline constexpr double kAnalysedSeconds =
    kOnsetSearchSeconds + std::max(kStretchSeconds, kLongStretchSeconds);

// Any thread. Bounded work however long the recording (see kStretchSeconds
// and kLongStretchSeconds). nullopt when stop is requested before the end.
// peakMagnitude: as for FindStretch.
std::optional<RecordingAnalysis> AnalyseRecording(std::span<const std::int16_t> samples,
                                                  int sampleRate, std::stop_token stop = {},
                                                  std::optional<int> peakMagnitude = std::nullopt);
