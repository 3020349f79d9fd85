// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingAnalysis.h"

#include "BellPartials.h"

std::optional<RecordingAnalysis> AnalyseRecording(std::span<const std::int16_t> samples,
                                                  int sampleRate, std::stop_token stop) {
    std::optional<PeakSpectrum> spectrum = FindPeaks(samples, sampleRate, stop);
    if (!spectrum) {
        return std::nullopt;
    }
    RecordingAnalysis analysis{std::move(*spectrum), std::nullopt};
    NameBellPartials(analysis.spectrum.peaks);
    analysis.strike = EstimateStrike(analysis.spectrum.peaks);
    return analysis;
}
