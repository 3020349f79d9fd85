// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteMonoWav.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Whatever stops the write, it says so and leaves no file behind: a missing
// folder, a "folder" that is a file, and a disk that fills up half-way. (A
// written take is read back by the record control's test.)
TEST(WriteMonoWav, AFailedWriteSaysSoAndLeavesNothing) {
    const fs::path folder = fs::temp_directory_path() / ("veltane-wav-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "plain") << "x";
    struct Case {
        fs::path path;
        rlim_t sizeLimit;
    };
    const Case cases[] = {{folder / "missing" / "take.wav", RLIM_INFINITY},
                          {folder / "plain" / "take.wav", RLIM_INFINITY},
                          {folder / "take.wav", 4096}};
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const Case& c : cases) {
        rlimit limit = saved;
        limit.rlim_cur = c.sizeLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string message =
            WriteMonoWav(c.path.string(), std::vector<std::int16_t>(48000, 5), 48000);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_NE(message.find("could not be saved"), std::string::npos) << c.path;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << c.path;
    }
    fs::remove_all(folder);
}

}  // namespace
