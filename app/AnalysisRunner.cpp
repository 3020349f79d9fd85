// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisRunner.h"

#include <sys/resource.h>
#include <unistd.h>

#include "AnalysisArea.h"
#include "RecordingAnalysis.h"

namespace {

// The analysis yields to the stream and the window on the shared cores.
constexpr int kAnalysisNice = 10;

}  // namespace

void AnalysisRunner::Start(std::span<const std::int16_t> samples, int rate, int peak,
                           QPointer<AnalysisArea> area) {
    Cancel();
    m_thread = std::jthread([samples, rate, peak, area](std::stop_token stop) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kAnalysisNice);
        std::optional<RecordingAnalysis> analysis = AnalyseRecording(samples, rate, stop, peak);
        if (!analysis || stop.stop_requested()) {
            return;
        }
        // Back to the window thread; dropped if the area is gone by then.
        QMetaObject::invokeMethod(
            area.data(),
            [area, result = std::move(*analysis)]() mutable {
                if (area) {
                    area->ShowAnalysis(std::move(result));
                }
            },
            Qt::QueuedConnection);
    });
}

void AnalysisRunner::Cancel() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}
