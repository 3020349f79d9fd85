// SPDX-License-Identifier: GPL-3.0-or-later
// Loading 10-minute recordings beside the ffmpeg tool doing the same mono
// 16-bit conversion of the same file (`ffmpeg -i F -ac 1 -f s16le -`): a 16-bit
// stereo WAV (read directly), and through the codec layer a 128 kbit/s MP3, an
// MS ADPCM WAV and a 32-bit float WAV, all of the same bell-like sound; and the
// first second of the MP3, whose load costs what the decoders' libraries take
// and next to nothing for samples (a 10-minute load holds 50.5 MiB of them).
//
// The files are made at start in a private temp dir. Then, in rounds that take
// turns so that a busy machine slows all alike, each file is loaded by a forked
// child of this process, by a fresh run of this program (`--load FILE`), and by
// ffmpeg; each child's processor time (user + system), wall time and peak
// resident memory come from wait4(). The forked child starts small (the pages
// it shares with this process are not counted until it touches them), so its
// peak is close to what a load adds to a running program; a fresh run also
// counts what mapping the FFmpeg libraries costs, as ffmpeg's own figure does.
// Medians over the rounds and their ratios to ffmpeg are printed, then the
// in-process load times as Google Benchmark measures them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "LoadSoundFile.h"

extern char** environ;

namespace {

std::filesystem::path g_dir;
std::string g_self;

constexpr int kRounds = 5;
constexpr const char* kFiles[] = {"bell.wav", "bell.mp3", "bell-adpcm.wav", "bell-float.wav",
                                  "bell-1s.mp3"};

struct Usage {
    double cpu = 0;   // s, user + system
    double wall = 0;  // s
    double peak = 0;  // MiB
    bool ok = false;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Waits for pid, started at start; its usage, ok only when it exited with 0.
Usage Reap(pid_t pid, std::chrono::steady_clock::time_point start) {
    int status = 0;
    rusage usage{};
    Usage result;
    if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) {
        return result;
    }
    result.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    result.peak = static_cast<double>(usage.ru_maxrss) / 1024.0;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

// Runs args with standard output thrown away.
Usage Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return spawned ? Reap(pid, start) : Usage{};
}

bool Load(const std::string& path) {
    CSoundFile record;
    return LoadSoundFile(record, path) == LoadResult::kOk && !record.Samples().empty();
}

Usage LoadInForkedChild(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(Load(path) ? 0 : 1);
    }
    return Reap(pid, start);
}

Usage LoadInFreshProcess(const std::string& path) {
    return Spawn({g_self, "--load", path});
}

Usage Ffmpeg(const std::string& path) {
    return Spawn({"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-ac", "1", "-f", "s16le", "-"});
}

Usage Median(std::vector<Usage> runs) {
    Usage median;
    median.ok =
        !runs.empty() && std::all_of(runs.begin(), runs.end(), [](const Usage& u) { return u.ok; });
    if (!median.ok) {
        return median;
    }
    const auto middle = [&](double Usage::*field) {
        std::vector<double> values;
        for (const Usage& u : runs) {
            values.push_back(u.*field);
        }
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        return values[values.size() / 2];
    };
    median.cpu = middle(&Usage::cpu);
    median.wall = middle(&Usage::wall);
    median.peak = middle(&Usage::peak);
    return median;
}

void PrintRow(const char* file, const char* who, const Usage& u, const Usage& ffmpeg) {
    if (!u.ok || !ffmpeg.ok) {
        std::printf("  %-15s %-14s failed\n", file, who);
        return;
    }
    std::printf("  %-15s %-14s %7.3f %7.3f %8.1f", file, who, u.cpu, u.wall, u.peak);
    if (&u != &ffmpeg) {
        std::printf("   %5.2fx %5.2fx %5.2fx", u.cpu / ffmpeg.cpu, u.wall / ffmpeg.wall,
                    u.peak / ffmpeg.peak);
    }
    std::printf("\n");
}

void PrintSideBySide() {
    std::printf(
        "median of %d rounds; cpu = user + system s, wall s, peak resident MiB;\n"
        "ratios to ffmpeg -ac 1 -f s16le on the same file\n",
        kRounds);
    std::printf("  %-15s %-14s %7s %7s %8s   %6s %6s %6s\n", "file", "", "cpu", "wall", "peak",
                "cpu", "wall", "peak");
    for (const char* name : kFiles) {
        const std::string path = (g_dir / name).string();
        std::vector<Usage> forked, fresh, ffmpeg;
        for (int round = 0; round < kRounds; ++round) {
            forked.push_back(LoadInForkedChild(path));
            fresh.push_back(LoadInFreshProcess(path));
            ffmpeg.push_back(Ffmpeg(path));
        }
        const Usage reference = Median(ffmpeg);
        PrintRow(name, "ffmpeg", reference, reference);
        PrintRow(name, "forked child", Median(forked), reference);
        PrintRow(name, "fresh process", Median(fresh), reference);
    }
    std::fflush(stdout);
}

void BM_Load(benchmark::State& state, const char* name) {
    const std::string path = (g_dir / name).string();
    for (auto _ : state) {
        if (!Load(path)) {
            state.SkipWithError("load failed");
            return;
        }
    }
}

BENCHMARK_CAPTURE(BM_Load, wav_10min, "bell.wav")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Load, mp3_10min, "bell.mp3")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Load, adpcm_10min, "bell-adpcm.wav")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Load, float_10min, "bell-float.wav")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Two bells a fifth apart, one in each ear, struck every 3 s for 10 minutes:
// each a sum of exponentially decaying partials at the usual ratios to its
// nominal (hum 1/4, prime 1/2, tierce 0.6, quint 0.75, superquint 1.5, octave 2).
std::string BellSound() {
    const auto bell = [](double nominal, double decay) {
        const double ratios[] = {0.25, 0.5, 0.6, 0.75, 1.0, 1.5, 2.0};
        const double levels[] = {0.20, 0.25, 0.20, 0.08, 0.30, 0.10, 0.08};
        std::string sum;
        for (std::size_t i = 0; i < std::size(ratios); ++i) {
            sum += (i ? "+" : "") + std::to_string(levels[i]) + "*sin(2*PI*" +
                   std::to_string(nominal * ratios[i]) + "*t)";
        }
        return "exp(-" + std::to_string(decay) + "*t)*(" + sum + ")";
    };
    return "aevalsrc=" + bell(440.0, 1.2) + "|" + bell(660.0, 1.5) +
           ":s=44100:d=3,aloop=loop=-1:size=132300,atrim=end=600";
}

bool MakeFiles() {
    const std::string wav = (g_dir / "bell.wav").string();
    const auto make = [&](const std::string& name, std::vector<std::string> codec,
                          const std::vector<std::string>& input) {
        std::vector<std::string> args = {"ffmpeg", "-v", "error", "-nostdin", "-y"};
        args.insert(args.end(), input.begin(), input.end());
        args.insert(args.end(), codec.begin(), codec.end());
        args.push_back((g_dir / name).string());
        return Spawn(args).ok;
    };
    return make("bell.wav", {"-c:a", "pcm_s16le"}, {"-f", "lavfi", "-i", BellSound()}) &&
           make("bell.mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}, {"-i", wav}) &&
           make("bell-adpcm.wav", {"-c:a", "adpcm_ms"}, {"-i", wav}) &&
           make("bell-float.wav", {"-c:a", "pcm_f32le"}, {"-i", wav}) &&
           make("bell-1s.mp3", {"-t", "1", "-c:a", "libmp3lame", "-b:a", "128k"}, {"-i", wav});
}

}  // namespace

int main(int argc, char** argv) {
    // One load in this fresh process, for the side-by-side figures.
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        return Load(argv[2]) ? 0 : 1;
    }
    g_self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "veltane-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    g_dir = pattern;
    int result = 1;
    if (MakeFiles()) {
        PrintSideBySide();
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
