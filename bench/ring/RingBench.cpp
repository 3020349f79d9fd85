// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a ring of twelve 10-second 44.1 kHz stereo recordings until its table
// is complete, beside loading the same twelve files one after another, in one
// run: the table should be complete within 1.5 times the loads alone. A second
// ring has a doublet in every bell's quint, whose beat brings in the long
// stretch's spectrum.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "LoadSoundFile.h"
#include "RingDocument.h"
#include "RingTableModel.h"

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr int kBells = 12;
constexpr int kPairs = 200;
std::filesystem::path g_dir;
std::vector<std::string> g_recordings;
std::string g_ring;
std::string g_beatingRing;
// Wall and CPU seconds and iterations of each benchmark, by name.
struct Totals {
    double wall = 0.0;
    double cpu = 0.0;
    double iterations = 0.0;
};
std::map<std::string, Totals> g_runs;

void Put(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>(value >> (8 * i)));
    }
}

// A church bell of the given nominal, 16-bit stereo; when beating, its quint
// doublet's second peak 0.7 Hz above, 6 dB down.
std::string WriteBell(int number, double nominalHz, bool beating) {
    const std::uint32_t frames = 10 * kRate;
    const std::string path =
        (g_dir / ((beating ? "beating" : "bell") + std::to_string(number) + ".wav")).string();
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    Put(out, 36 + frames * 4, 4);
    out.write("WAVEfmt ", 8);
    for (const auto& [value, bytes] : std::vector<std::pair<std::uint32_t, int>>{
             {16, 4}, {1, 2}, {2, 2}, {kRate, 4}, {kRate * 4, 4}, {4, 2}, {16, 2}}) {
        Put(out, value, bytes);
    }
    out.write("data", 4);
    Put(out, frames * 4, 4);
    for (std::uint32_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        double x = 0.0;
        for (const double ratio : {0.25, 0.5, 0.6, 0.75, 1.0, 1.5, 2.0}) {
            x +=
                std::exp(-t * ratio / 2.0) * std::sin(2 * std::numbers::pi * nominalHz * ratio * t);
        }
        if (beating) {
            x += 0.5 * std::exp(-t * 0.75 / 2.0) *
                 std::sin(2 * std::numbers::pi * (nominalHz * 0.75 + 0.7) * t);
        }
        const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(3000.0 * x));
        Put(out, sample, 2);
        Put(out, sample, 2);
    }
    return path;
}

bool LoadTwelve() {
    bool loaded = true;
    for (const std::string& path : g_recordings) {
        CSoundFile record;
        loaded = LoadSoundFile(record, path) == LoadResult::kOk && loaded;
    }
    return loaded;
}

// Opens the ring and waits until its table is complete; false when refused.
bool OpenRing(const std::string& path) {
    RingTableModel model;
    QEventLoop loop;
    QObject::connect(&model, &RingTableModel::complete, &loop, &QEventLoop::quit);
    if (model.Open(QString::fromStdString(path))) {
        return false;
    }
    if (!model.Complete()) {
        loop.exec();
    }
    benchmark::DoNotOptimize(model.RowAt(0).number);
    return true;
}

void BM_LoadTwelve(benchmark::State& state) {
    for (auto _ : state) {
        if (!LoadTwelve()) {
            state.SkipWithError("load failed");
        }
    }
}

void OpenRing(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        if (!OpenRing(path)) {
            state.SkipWithError("ring refused");
            break;
        }
    }
}
void BM_OpenRing(benchmark::State& state) {
    OpenRing(state, g_ring);
}

void BM_OpenBeatingRing(benchmark::State& state) {
    OpenRing(state, g_beatingRing);
}

template <typename Step>
double WallSeconds(Step step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The ring's time over the loads' in pairs measured back to back, loads first
// and ring first in turn: a slow spell of the machine mostly falls on both of
// a pair, and the few pairs it splits do not move the median. The lower
// quartile, the median and the upper quartile.
std::array<double, 3> PairedRatios(const std::string& ring, int pairs) {
    std::vector<double> ratios;
    for (int i = 0; i < pairs; ++i) {
        const auto loads = [] { LoadTwelve(); };
        const auto open = [&ring] { OpenRing(ring); };
        const double first = i % 2 == 0 ? WallSeconds(loads) : WallSeconds(open);
        const double second = i % 2 == 0 ? WallSeconds(open) : WallSeconds(loads);
        ratios.push_back(i % 2 == 0 ? second / first : first / second);
    }
    std::sort(ratios.begin(), ratios.end());
    const std::size_t n = ratios.size();
    return {ratios[n / 4], ratios[n / 2], ratios[3 * n / 4]};
}

// Keeps each benchmark's mean wall time per iteration, over its repetitions,
// for the ratio printed at the end.
class Reporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) {
                continue;
            }
            Totals& totals = g_runs[run.run_name.function_name];
            totals.wall += run.real_accumulated_time;
            totals.cpu += run.cpu_accumulated_time;
            totals.iterations += static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

BENCHMARK(BM_LoadTwelve)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenRing)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenBeatingRing)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "veltane-ring-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    g_dir = pattern;
    Ring ring;
    Ring beating;
    for (int bell = 0; bell < kBells; ++bell) {
        const double nominalHz = 400.0 * std::pow(2.0, bell / 12.0);
        g_recordings.push_back(WriteBell(bell, nominalHz, false));
        ring.bells.push_back({QString::fromStdString(g_recordings.back()), std::nullopt, {}});
        beating.bells.push_back(
            {QString::fromStdString(WriteBell(bell, nominalHz, true)), std::nullopt, {}});
    }
    g_ring = (g_dir / "twelve.vring").string();
    g_beatingRing = (g_dir / "beating.vring").string();
    if (WriteRing(ring, QString::fromStdString(g_ring)) ||
        WriteRing(beating, QString::fromStdString(g_beatingRing))) {
        return 1;
    }
    // Ten repetitions a benchmark, interleaved at random unless asked otherwise,
    // so that the machine's slow and quick spells fall on the loads and the rings
    // alike.
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=10";
    std::vector<char*> args(argv, argv + argc + 1);  // with argv's closing null
    args.insert(args.begin() + 1, {interleave.data(), repetitions.data()});
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // Mean seconds per iteration.
    const auto mean = [](const char* name, double Totals::*seconds) {
        const Totals& totals = g_runs[name];
        return totals.iterations > 0 ? totals.*seconds / totals.iterations : 0.0;
    };
    const double loads = mean("BM_LoadTwelve", &Totals::wall);
    const std::pair<std::string, const std::string*> rings[] = {
        {"BM_OpenRing", &g_ring}, {"BM_OpenBeatingRing", &g_beatingRing}};
    for (const auto& [name, path] : rings) {
        const double wall = mean(name.c_str(), &Totals::wall);
        const double cpu = mean(name.c_str(), &Totals::cpu);
        if (loads > 0 && wall > 0) {
            // The CPU of all threads over two cores' worth of loads: what the ratio
            // would be were both cores busy with the ring from start to end.
            std::printf(
                "%s: loads alone %.1f ms, table complete %.1f ms: %.2f (aim: at most 1.5); "
                "CPU %.1f ms: %.2f on two cores at best\n",
                name.c_str(), 1000 * loads, 1000 * wall, wall / loads, 1000 * cpu,
                cpu / (2 * loads));
        }
        const std::array<double, 3> paired = PairedRatios(*path, kPairs);
        std::printf("%s: in %d pairs back to back, median %.2f, quartiles %.2f to %.2f\n",
                    name.c_str(), kPairs, paired[1], paired[0], paired[2]);
    }
    std::filesystem::remove_all(g_dir);
    return 0;
}
