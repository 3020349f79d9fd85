// SPDX-License-Identifier: GPL-3.0-or-later
#include "waveout/SampleQueue.h"

#include <gtest/gtest.h>

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
            const std::size_t count = std::min(block.size() - sent % 7, kTotal - sent);
            for (std::size_t i = 0; i < count; ++i) {
                block[i] = std::int16_t(sent + i);
            }
            std::span<const std::int16_t> rest(block.data(), count);
            while (!rest.empty()) {
                rest = rest.subspan(queue.Push(rest));
            }
            sent += count;
        }
    });
    std::vector<std::int16_t> out(257);
    std::size_t received = 0;
    bool inOrder = true;
    while (received < kTotal) {
        const std::size_t count = queue.Pop(std::span(out).first(1 + received % 257));
        for (std::size_t i = 0; i < count; ++i) {
            inOrder = inOrder && out[i] == std::int16_t(received + i);
        }
        received += count;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(queue.Pop(out), 0u);

    const std::vector<std::int16_t> big(1500, 7);
    EXPECT_EQ(queue.Push(big), 1024u);
    EXPECT_EQ(queue.Push(big), 0u);
    queue.Clear();
    EXPECT_EQ(queue.Pop(out), 0u);
}

}  // namespace
