// SPDX-License-Identifier: GPL-3.0-or-later
// The capture device under SDL's disk driver (chosen in this program's main),
// which reads what it "hears" from a file in real time.
#include "waveout/SdlCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What the device delivers reaches the window thread whole and in order at the
// preferred rate, with no overrun, and the device opens again after a Stop.
TEST(SdlCapture, DeliversTheInputInOrderAndReopens) {
    const std::filesystem::path input =
        std::filesystem::temp_directory_path() / ("veltane-capture-" + std::to_string(getpid()));
    std::vector<std::int16_t> heard(24000);
    std::ranges::generate(heard, [n = 1]() mutable { return std::int16_t(n += 7); });
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(heard.data()), std::streamsize(heard.size() * 2));
    ::setenv("SDL_DISKAUDIOFILEIN", input.c_str(), 1);

    SdlCapture capture;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(capture.Start(), "");
        EXPECT_EQ(capture.Rate(), 48000u);
        std::vector<std::int16_t> got(heard.size());
        std::size_t count = 0;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (count < got.size() && std::chrono::steady_clock::now() < deadline) {
            count += capture.Read(std::span(got).subspan(count));
            EXPECT_EQ(capture.Fault(), "");
            std::this_thread::sleep_for(10ms);
        }
        capture.Stop();
        EXPECT_EQ(got, heard);
        EXPECT_EQ(capture.OverrunCount(), 0u);
    }
    std::filesystem::remove(input);
}

}  // namespace
