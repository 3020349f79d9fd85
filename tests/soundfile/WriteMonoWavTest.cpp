// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteMonoWav.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

#include "LoadSoundFile.h"

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("veltane-wav-" + std::to_string(getpid()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
    std::size_t Entries() const {
        return std::size_t(std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }
};

std::vector<std::int16_t> Ramp(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = std::int16_t(i * 977);  // both signs, both bytes
    }
    return samples;
}

// A saved take reads back through the program's own loader, sample for sample
// and at its rate, and replaces an older file of the same name whole.
TEST(WriteMonoWav, ReadsBackThroughTheLoader) {
    TempFolder folder;
    const std::string path = (folder.path / "bell-20260101-120000.wav").string();
    std::ofstream(path) << "an older, longer file than the take that replaces it";
    const std::vector<std::int16_t> samples = Ramp(9);
    ASSERT_EQ(WriteMonoWav(path, samples, 44100), "");
    CSoundFile record;
    ASSERT_EQ(LoadSoundFile(record, path), load_result::kOk);
    EXPECT_EQ(record.m_format.SamplesPerSec(), 44100u);
    EXPECT_TRUE(std::ranges::equal(record.Samples(), samples));
    EXPECT_EQ(folder.Entries(), 1u);
}

// Whatever stops the write, it says so and leaves no file behind: a missing
// folder, a "folder" that is a file, and a disk that fills up half-way.
TEST(WriteMonoWav, AFailedWriteSaysSoAndLeavesNothing) {
    TempFolder folder;
    std::ofstream(folder.path / "plain") << "x";
    struct Case {
        fs::path path;
        rlim_t sizeLimit;
    };
    const Case cases[] = {{folder.path / "missing" / "take.wav", RLIM_INFINITY},
                          {folder.path / "plain" / "take.wav", RLIM_INFINITY},
                          {folder.path / "take.wav", 4096}};
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const Case& c : cases) {
        rlimit limit = saved;
        limit.rlim_cur = c.sizeLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string message = WriteMonoWav(c.path.string(), Ramp(48000), 48000);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_NE(message.find("could not be saved"), std::string::npos) << c.path;
        EXPECT_EQ(folder.Entries(), 1u) << c.path;
    }
}

}  // namespace
