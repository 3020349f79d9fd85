// SPDX-License-Identifier: GPL-3.0-or-later
// How long loading one file takes, the median of a few loads in ms, so that the
// time from Enter in the file dialog to the tone can be set against the load.
// Usage: bench_load_time FILE.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "LoadSoundFile.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    std::vector<double> ms;
    for (int i = 0; i < 7; ++i) {
        CSoundFile record;
        const auto t0 = std::chrono::steady_clock::now();
        if (LoadSoundFile(record, argv[1]) != LoadResult::kOk) {
            return 1;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::nth_element(ms.begin(), ms.begin() + 3, ms.end());
    std::printf("%.2f\n", ms[3]);
    return 0;
}
