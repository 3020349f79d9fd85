// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingAnalysis.h"

#include "DecayRates.h"
#include "Doublets.h"
#include "LongStretch.h"

std::optional<RecordingAnalysis> AnalyseRecording(std::span<const std::int16_t> samples,
                                                  int sampleRate, std::stop_token stop) {
    std::optional<PeakSpectrum> spectrum = FindPeaks(samples, sampleRate, stop);
    if (!spectrum) {
        return std::nullopt;
    }
    RecordingAnalysis analysis{std::move(*spectrum), std::nullopt, BellKind::kNone};
    std::vector<Peak>& peaks = analysis.spectrum.peaks;
    analysis.kind = NameBellPartials(peaks);
    if (!peaks.empty()) {
        const LongStretch stretch =
            LoadLongStretch(samples, sampleRate, analysis.spectrum.stretch.start);
        const std::vector<double> strayDb = MeasureDecays(peaks, stretch);
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        SplitMergedDoublets(peaks, stretch, strayDb);
    }
    analysis.strike = EstimateStrike(peaks);
    return analysis;
}
