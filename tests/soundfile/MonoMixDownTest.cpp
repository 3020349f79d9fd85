#include <gtest/gtest.h>

#include "MonoMixDown.h"
#include "TestBytes.h"

namespace {

struct MixCase {
    const char* name;
    unsigned sum;
    Bytes pcm;
    std::vector<std::int16_t> samples;
};

void PrintTo(const MixCase& c, std::ostream* os) {
    *os << c.name;
}

class MonoMixDownTest : public ::testing::TestWithParam<MixCase> {};

TEST_P(MonoMixDownTest, MixesEveryRowWithoutClipping) {
    const MixCase& c = GetParam();
    const auto count = MonoMixDown::SampleCount(c.sum, c.pcm.size(), 1000);
    ASSERT_EQ(count, static_cast<std::int32_t>(c.samples.size()));
    std::vector<std::int16_t> out(c.samples.size(), 12345);
    MonoMixDown::Run(c.sum, c.pcm, out);
    EXPECT_EQ(out, c.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MonoMixDownTest,
    ::testing::Values(
        MixCase{"Mono8", 9, {128, 255, 0}, {0, 32512, -32768}},
        MixCase{"Stereo8", 10, {255, 255, 0, 0, 128, 128, 0, 255}, {32512, -32768, 0, -128}},
        MixCase{"Mono16", 17, S16({0, -1, 32767, -32768}), {0, -1, 32767, -32768}},
        MixCase{"Stereo16",
                18,
                S16({-3, 0, -1, 0, 32767, 32767, -32768, -32768, 3, 0}),
                {-1, 0, 32767, -32768, 1}},
        MixCase{"OddTrailingByteIgnored", 17, {1, 0, 2, 0, 7}, {1, 2}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
