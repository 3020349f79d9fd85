// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of a 10-second and a 10-minute 44.1 kHz mono recording beside
// loading the same file, in one run: the analysis, doublets and decay rates
// included, should cost at most three times the 10-second load and never more
// than 200 ms, since it reads bounded stretches.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "LoadSoundFile.h"
#include "RecordingAnalysis.h"

namespace {

constexpr std::uint32_t kRate = 44100;
std::filesystem::path g_dir;

void PutU32(std::FILE* f, std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

// A bell struck every 5 s, 16-bit mono PCM.
std::string WriteBells(const char* name, double seconds) {
    const auto count = static_cast<std::uint32_t>(seconds * kRate);
    std::vector<std::int16_t> samples(count);
    for (std::uint32_t n = 0; n < count; ++n) {
        const double t = std::fmod(static_cast<double>(n) / kRate, 5.0);
        double x = 0.0;
        for (const double ratio : {0.25, 0.5, 0.6, 0.75, 1.0, 1.5, 2.0}) {
            x += std::exp(-t / (2.0 / ratio)) * std::sin(2 * std::numbers::pi * 600 * ratio * t);
        }
        samples[n] = static_cast<std::int16_t>(3000.0 * x);
    }
    const std::string path = (g_dir / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite("RIFF", 1, 4, f);
    PutU32(f, 36 + count * 2);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutU32(f, 16);
    const unsigned char fmt[4] = {1, 0, 1, 0};  // PCM, mono
    std::fwrite(fmt, 1, 4, f);
    PutU32(f, kRate);
    PutU32(f, kRate * 2);
    const unsigned char align[4] = {2, 0, 16, 0};
    std::fwrite(align, 1, 4, f);
    std::fwrite("data", 1, 4, f);
    PutU32(f, count * 2);
    std::fwrite(samples.data(), 2, count, f);
    std::fclose(f);
    return path;
}

void BM_Load(benchmark::State& state, const char* name) {
    const std::string path = (g_dir / name).string();
    for (auto _ : state) {
        CSoundFile record;
        if (LoadSoundFile(record, path) != LoadResult::kOk) {
            state.SkipWithError("load failed");
        }
    }
}

void BM_Analyse(benchmark::State& state, const char* name) {
    CSoundFile record;
    if (LoadSoundFile(record, (g_dir / name).string()) != LoadResult::kOk) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseRecording(record.Samples(), kRate));
    }
}

BENCHMARK_CAPTURE(BM_Load, ten_seconds, "10s.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Analyse, ten_seconds, "10s.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, ten_minutes, "10min.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Analyse, ten_minutes, "10min.wav")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltane-an-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    g_dir = pattern;
    WriteBells("10s.wav", 10.0);
    WriteBells("10min.wav", 600.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
