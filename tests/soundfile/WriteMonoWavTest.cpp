// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteMonoWav.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Whatever stops the write, it says so and leaves no file behind: a folder that
// is not there, and a disk that fills up half-way. (A written take is read back
// by the record control's test.)
TEST(WriteMonoWav, AFailedWriteSaysSoAndLeavesNothing) {
    const fs::path folder = fs::temp_directory_path() / ("veltane-wav-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const auto& [path, sizeLimit] : {std::pair{folder / "missing" / "take.wav", RLIM_INFINITY},
                                          std::pair{folder / "take.wav", rlim_t{4096}}}) {
        rlimit limit{sizeLimit, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string message = WriteMonoWav(path, std::vector<std::int16_t>(48000, 5), 48000);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_NE(message.find("could not be saved"), std::string::npos) << path;
        EXPECT_TRUE(fs::is_empty(folder)) << path;
    }
    fs::remove_all(folder);
}

}  // namespace
