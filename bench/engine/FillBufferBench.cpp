// SPDX-License-Identifier: GPL-3.0-or-later
// FillBuffer per stereo frame beside a generator that calls std::sin for every
// sample, in one run; the last line gives how many times faster the recurrence is.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ToneEngine.h"
#include "waveout/VirtualWaveOut.h"

namespace {

constexpr int kFrames = ToneEngine::kMaxBufferLength / 2;

class NullHost final : public EngineHost {
  public:
    void SetProgressPos(int) override {}
    void WaitForRefill() override {}
};

void BM_FillBuffer(benchmark::State& state) {
    VirtualWaveOut device;
    NullHost host;
    ToneEngine engine(device, host);
    engine.AllocateBuffers();
    engine.InitOscillator(440.0);
    std::vector<std::int16_t> block(ToneEngine::kMaxBufferLength);
    WaveHeader header;
    header.lpData = reinterpret_cast<char*>(block.data());
    header.dwBufferLength = ToneEngine::kBlockBytes;
    for (auto _ : state) {
        engine.FillBuffer(header);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_FillBuffer);

void BM_NaiveSin(benchmark::State& state) {
    std::vector<std::int16_t> block(ToneEngine::kMaxBufferLength);
    const double step = Oscillator::kTwoPi * 440.0 / 44100.0;
    double phase = 0.0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < block.size(); i += 2) {
            block[i] = static_cast<std::int16_t>(8192.0 * std::sin(phase));
            block[i + 1] = 0;
            phase += step;
            if (phase >= Oscillator::kTwoPi) {
                phase -= Oscillator::kTwoPi;
            }
        }
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_NaiveSin);

class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            // With repetitions, the mean stands for the benchmark.
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "mean";
            if (rate != run.counters.end() && usable) {
                m_rates[run.run_name.function_name] = rate->second.value;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto fill = m_rates.find("BM_FillBuffer");
        const auto naive = m_rates.find("BM_NaiveSin");
        if (fill != m_rates.end() && naive != m_rates.end() && naive->second > 0.0) {
            GetOutputStream() << "FillBuffer frames/s over std::sin frames/s: "
                              << fill->second / naive->second << "\n";
        }
    }

  private:
    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
