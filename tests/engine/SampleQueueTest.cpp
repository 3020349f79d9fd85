// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SampleQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// Samples cross between two threads whole and in order, across the ring's wrap,
// whatever the block sizes on each side; a full queue takes only what fits.
TEST(SampleQueue, OneProducerOneConsumerKeepOrderAndRefuseWhatDoesNotFit) {
    constexpr std::size_t kTotal = 1 << 21;
    SampleQueue queue(10);
    std::thread producer([&queue] {
        std::vector<std::int16_t> block(333);
        for (std::size_t sent = 0; sent < kTotal;) {
            block.resize(std::min(333 - sent % 7, kTotal - sent));
            std::ranges::generate(block, [n = sent]() mutable { return std::int16_t(n++); });
            for (std::span<const std::int16_t> rest(block); !rest.empty();) {
                rest = rest.subspan(queue.Push(rest));
            }
            sent += block.size();
        }
    });
    std::vector<std::int16_t> out(257);
    std::size_t misplaced = 0;
    for (std::size_t received = 0; received < kTotal;) {
        const std::size_t count = queue.Pop(std::span(out).first(1 + received % 257));
        for (std::size_t i = 0; i < count; ++i, ++received) {
            misplaced += out[i] != std::int16_t(received);
        }
    }
    producer.join();
    EXPECT_EQ(misplaced, 0u);
    EXPECT_EQ(queue.Push(std::vector<std::int16_t>(1500)), 1024u);
    queue.Clear();
    EXPECT_EQ(queue.Pop(out), 0u);
}

}  // namespace
