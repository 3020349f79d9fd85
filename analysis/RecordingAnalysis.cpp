// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingAnalysis.h"

#include "DecayRates.h"
#include "Doublets.h"
#include "LongStretch.h"

std::optional<RecordingAnalysis> AnalyseRecording(std::span<const std::int16_t> samples,
                                                  int sampleRate, std::stop_token stop,
                                                  std::optional<int> peakMagnitude) {
    // The spectrum's stretch is the long stretch's beginning: filtered to its
    // rate once for both.
    const Stretch start = FindStretch(samples, sampleRate, peakMagnitude);
    LongStretch stretch =
        start.length > 0 ? LoadLongStretch(samples, sampleRate, start.start) : LongStretch{};
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    std::optional<PeakSpectrum> spectrum = FindPeaks(stretch, start, stop);
    if (!spectrum) {
        return std::nullopt;
    }
    RecordingAnalysis analysis{std::move(*spectrum), std::nullopt, BellKind::kNone};
    std::vector<Peak>& peaks = analysis.spectrum.peaks;
    analysis.kind = NameBellPartials(peaks);
    if (!peaks.empty()) {
        const std::vector<double> strayDb = MeasureDecays(peaks, stretch);
        if (stop.stop_requested()) {
            return std::nullopt;
        }
        SplitMergedDoublets(peaks, stretch, strayDb);
    }
    analysis.strike = EstimateStrike(peaks);
    return analysis;
}
