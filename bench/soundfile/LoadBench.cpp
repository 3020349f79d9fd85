// Loading a 10-minute recording (16-bit stereo 44.1 kHz WAV, 128 kbit/s MP3)
// beside the ffmpeg tool doing the same mono 16-bit conversion of the same file.
// The files are made at start in a private temp dir. Before the timed runs, the
// peak resident memory of one run of each is measured in a child process while
// this process is still small (a forked child starts with its parent's pages
// counted, so the baseline of an idle child is printed too).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "LoadSoundFile.h"

extern char** environ;

namespace {

std::filesystem::path g_dir;

// Runs argv and waits; the child's peak resident size in KiB, or -1 on failure.
long RunAndMeasure(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

// One load in a forked child, so that its peak memory is its own.
long LoadInChild(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        CSoundFile record;
        _exit(LoadSoundFile(record, path) == 0 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

std::vector<std::string> FfmpegToMono(const std::string& path) {
    return {"ffmpeg",
            "-hide_banner",
            "-loglevel",
            "error",
            "-nostdin",
            "-i",
            path,
            "-ac",
            "1",
            "-f",
            "s16le",
            "-y",
            (g_dir / "out.raw").string()};
}

void BM_Load(benchmark::State& state, const char* name) {
    const std::string path = (g_dir / name).string();
    CSoundFile record;
    for (auto _ : state) {
        if (LoadSoundFile(record, path) != 0) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(record.Samples().data());
    }
    state.counters["samples"] = static_cast<double>(record.m_sampleCount);
}

void BM_Ffmpeg(benchmark::State& state, const char* name) {
    const auto args = FfmpegToMono((g_dir / name).string());
    for (auto _ : state) {
        if (RunAndMeasure(args) < 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    }
}

BENCHMARK_CAPTURE(BM_Load, wav_10min, "tone.wav")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Ffmpeg, wav_10min, "tone.wav")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Load, mp3_10min, "tone.mp3")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Ffmpeg, mp3_10min, "tone.mp3")->Unit(benchmark::kMillisecond)->Iterations(3);

bool MakeFiles() {
    const std::string source =
        "sine=frequency=440:duration=600:sample_rate=44100[l];"
        "sine=frequency=587:duration=600:sample_rate=44100[r];"
        "[l][r]amerge=inputs=2";
    const std::string wav = (g_dir / "tone.wav").string();
    const std::string mp3 = (g_dir / "tone.mp3").string();
    return RunAndMeasure({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin",
                          "-filter_complex", source, "-c:a", "pcm_s16le", "-y", wav}) >= 0 &&
           RunAndMeasure({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-i", wav,
                          "-c:a", "libmp3lame", "-b:a", "128k", "-y", mp3}) >= 0;
}

void PrintPeakMemory() {
    const pid_t idle = fork();
    if (idle == 0) {
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(idle, &status, 0, &usage);
    std::printf("peak resident memory, MiB (an idle forked child: %.1f)\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    for (const char* name : {"tone.wav", "tone.mp3"}) {
        const std::string path = (g_dir / name).string();
        std::printf("  %-9s LoadSoundFile %8.1f   ffmpeg -ac 1 -f s16le %8.1f\n", name,
                    static_cast<double>(LoadInChild(path)) / 1024.0,
                    static_cast<double>(RunAndMeasure(FfmpegToMono(path))) / 1024.0);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "veltane-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    g_dir = pattern;
    int result = 1;
    if (MakeFiles()) {
        PrintPeakMemory();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        result = 0;
    } else {
        std::fprintf(stderr, "cannot make the test files with ffmpeg\n");
    }
    std::filesystem::remove_all(g_dir);
    return result;
}
