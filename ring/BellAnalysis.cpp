// SPDX-License-Identifier: GPL-3.0-or-later
#include "BellAnalysis.h"

#include <exception>
#include <new>

#include "LoadMessage.h"
#include "LoadSoundFile.h"
#include "SoundFile.h"

std::optional<BellAnalysis> AnalyseBell(const std::string& path, std::stop_token stop) {
    // A read error or a want of memory is this recording's failure alone.
    CSoundFile record;
    LoadResult result = LoadResult::kOk;
    try {
        // Only what the analysis reads; a stop cancels the load too.
        LoadOptions options;
        options.maxSeconds = kAnalysedSeconds;
        options.progress = [&stop](std::uint64_t, std::uint64_t) { return !stop.stop_requested(); };
        result = LoadSoundFile(record, path, options);
    } catch (const std::bad_alloc&) {
        return BellAnalysis{std::nullopt, "Out of memory."};
    } catch (const std::exception& error) {
        return BellAnalysis{std::nullopt, error.what()};
    }
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    if (result != LoadResult::kOk) {
        return BellAnalysis{std::nullopt, LoadMessage(result)};
    }
    std::optional<RecordingAnalysis> analysis =
        AnalyseRecording(record.Samples(), static_cast<int>(record.m_format.SamplesPerSec()), stop,
                         record.m_peakMagnitude);
    if (!analysis) {
        return std::nullopt;
    }
    return BellAnalysis{std::move(analysis), {}};
}
