// SPDX-License-Identifier: GPL-3.0-or-later
// From a take's automatic stop to the take shown loaded and analysed in the
// window, against loading and analysing the same file in the same run.
//
// The real dialog runs offscreen over a virtual output; its record control
// listens to a scripted input that hands out a heard bell in real time, a
// block of a twentieth of a second at a time as the device does. The stop is
// the arrival of the block that holds the sample where the decay rule ends the
// take; "shown" is the moment the file name box names the take and the analysis
// area has its peaks. Both ways the window learns of new samples are timed: the
// input waking it (as the real device does) and its own 50 ms poll (a source
// that cannot wake it). Prints the medians over a few takes, in ms.
// Usage: bench_record_latency [TAKES]
#include <sys/eventfd.h>
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "HeardBell.h"
#include "LoadSoundFile.h"
#include "RecordingAnalysis.h"
#include "Resource.h"
#include "SoundFile.h"
#include "TakeRecorder.h"
#include "ToneMatchApp.h"
#include "ToneMatchDlg.h"
#include "VersionBlock.h"
#include "waveout/CaptureSource.h"
#include "waveout/VirtualWaveOut.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kRate = 48000;
constexpr std::size_t kBlock = kRate / 20;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Hands out `heard` as a device would: block k arrives (k + 1) / 20 s after
// Start. With `signal`, an eventfd turns readable as each block arrives, as
// the real input's does; without, the window polls by its timer.
struct PacedCapture final : CaptureSource {
    const std::vector<std::int16_t>& heard;
    Clock::time_point start;
    std::size_t delivered = 0;
    int ready = -1;
    std::jthread device;

    PacedCapture(const std::vector<std::int16_t>& samples, bool signal) : heard(samples) {
        if (signal) {
            ready = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        }
    }
    ~PacedCapture() override {
        Stop();
        if (ready >= 0) {
            close(ready);
        }
    }
    std::string Start() override {
        start = Clock::now();
        delivered = 0;
        if (ready >= 0) {
            // Woken at once by Stop, so that the end of a take waits for no tick.
            device = std::jthread([this](std::stop_token stop) {
                std::mutex mutex;
                std::condition_variable_any tick;
                std::unique_lock lock(mutex);
                for (std::size_t k = 1;; ++k) {
                    tick.wait_until(lock, stop, start + Arrival(k), [] { return false; });
                    if (stop.stop_requested()) {
                        return;
                    }
                    eventfd_write(ready, 1);
                }
            });
        }
        return {};
    }
    int ReadyDescriptor() const override { return ready; }
    std::size_t Read(std::span<std::int16_t> out) override {
        eventfd_t wakes = 0;
        if (ready >= 0) {
            eventfd_read(ready, &wakes);
        }
        const auto blocks = static_cast<std::size_t>((Clock::now() - start) / Arrival(1));
        const std::size_t arrived = std::min(blocks * kBlock, heard.size());
        const std::size_t count = std::min(arrived - std::min(arrived, delivered), out.size());
        std::copy_n(heard.begin() + static_cast<long>(delivered), count, out.begin());
        delivered += count;
        return count;
    }
    std::string Fault() override { return {}; }
    void Stop() override {
        if (device.joinable()) {
            device.request_stop();
            device.join();
        }
    }
    std::uint32_t Rate() const override { return kRate; }
    std::uint64_t OverrunCount() const override { return 0; }
    // When the first `blocks` blocks have all arrived, counted from Start.
    static Clock::duration Arrival(std::size_t blocks) {
        return std::chrono::milliseconds(50) * static_cast<long>(blocks);
    }
};

// The sample at which the record control's rules end the take: the tone's
// tail it skips when the tone is silenced, then what TakeRecorder takes.
std::size_t StopSample(const std::vector<std::int16_t>& heard) {
    const auto tail = static_cast<std::size_t>(RecordControl::kToneTailSeconds * kRate);
    TakeRecorder take(kRate, TakeRecorder::kDefaultNoStrikeWaitSeconds);
    take.Feed(std::span(heard).subspan(tail));
    return tail + static_cast<std::size_t>(take.ElapsedSeconds() * kRate);
}

struct Timing {
    double shownMs;  // from the stop to the take shown loaded and analysed
    double savedMs;  // from the stop to the take saved (found, written, flushed)
    std::string path;
};

// One take through the window; shownMs < 0 when it was never shown.
Timing RecordOnce(const std::vector<std::int16_t>& heard, bool signal) {
    VirtualWaveOut device;
    theSoundFile.m_loaded = false;
    CToneMatchDlg dialog(device);
    auto owned = std::make_unique<PacedCapture>(heard, signal);
    PacedCapture& capture = *owned;
    dialog.SetCaptureSource(std::move(owned));
    if (!dialog.Create()) {
        return {-1, -1, {}};
    }
    const std::size_t stop = StopSample(heard);
    Clock::time_point saved{};
    QObject::connect(dialog.Record(), &RecordControl::takeSaved,
                     [&saved] { saved = Clock::now(); });
    dialog.Record()->RecordButton()->click();
    const Clock::time_point stopped =
        capture.start + PacedCapture::Arrival((stop + kBlock - 1) / kBlock);
    auto* name = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_FILENAME));
    const auto shown = [&] {
        return name->text().startsWith("bell-") && dialog.Analysis()->NextPeak(true).has_value();
    };
    while (!shown() && Clock::now() - capture.start < std::chrono::seconds(60)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return {shown() ? Ms(Clock::now() - stopped) : -1.0, Ms(saved - stopped), theSoundFile.m_path};
}

// Loading and analysing the saved take, as the window does, in ms.
double LoadAndAnalyse(const std::string& path) {
    const Clock::time_point t0 = Clock::now();
    CSoundFile record;
    if (LoadSoundFile(record, path) != LoadResult::kOk) {
        return -1;
    }
    const auto analysis =
        AnalyseRecording(record.Samples(), static_cast<int>(record.m_format.SamplesPerSec()));
    return analysis ? Ms(Clock::now() - t0) : -1;
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Takes through the window, the input waking it or polled; prints the medians
// and returns whether the stop to shown stays within the limit.
bool Measure(const std::vector<std::int16_t>& heard, int takes, bool signal) {
    std::vector<double> shown;
    std::vector<double> saved;
    std::vector<double> reference;
    for (int i = 0; i < takes; ++i) {
        const Timing timing = RecordOnce(heard, signal);
        const double alone = timing.shownMs < 0 ? -1 : LoadAndAnalyse(timing.path);
        if (timing.shownMs < 0 || alone < 0) {
            std::fprintf(stderr, "take %d was not shown loaded and analysed\n", i + 1);
            return false;
        }
        shown.push_back(timing.shownMs);
        saved.push_back(timing.savedMs);
        reference.push_back(alone);
    }
    const double limit = Median(reference) + 100.0;
    std::printf("%s: stop to shown %.1f ms (median of %d; each:",
                signal ? "input wakes the window" : "window polls every 50 ms", Median(shown),
                takes);
    for (const double ms : shown) {
        std::printf(" %.1f", ms);
    }
    std::printf("), of which to the take saved %.1f ms\n", Median(saved));
    std::printf("  load + analysis of the same file %.1f ms; limit (+100 ms) %.1f ms: %s\n",
                Median(reference), limit, Median(shown) <= limit ? "met" : "over");
    std::fflush(stdout);
    return Median(shown) <= limit;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "veltane", "veltane")
        .setValue("Record/Folder", settings.filePath("takes"));
    theApp.ReadVersionStrings(&ExecutableVersionBlock());
    const int takes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    // Hiss, a strike at 1.5 s, three partials dying 45 dB in about 3 s.
    const std::vector<std::int16_t> heard = HeardBell(8.0, -60, 1.5, 9000, 0.6, {500, 1000, 1200});
    const std::size_t stop = StopSample(heard);
    std::printf("the take stops by the decay rule %.2f s into the input\n", double(stop) / kRate);
    const bool woken = Measure(heard, takes, true);
    const bool polled = Measure(heard, takes, false);
    return woken && polled ? 0 : 1;
}
