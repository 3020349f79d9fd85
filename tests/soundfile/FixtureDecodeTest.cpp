// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <span>

#include "LoadSoundFile.h"
#include "TestBytes.h"

// Each fixture from scripts/make-fixtures is loaded and compared with an
// independent decode by the ffmpeg command-line tool at the file's own rate and
// channel count, mixed down here by the same rule: (L + R) / 2 truncating.
namespace {

enum class Match { Exact, Close };

struct FixtureCase {
    const char* file;
    LoadResult code;
    std::uint32_t rate = 0;
    int channels = 0;
    Match match = Match::Exact;
    // Samples that the count may differ by (decoder priming and padding).
    int countSlack = 0;
    // Decoded with ffmpeg instead of file when ffmpeg cannot read file itself.
    const char* referenceFile = nullptr;
    // Samples the reference decode has before ours starts.
    std::size_t lag = 0;
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.file;
}

const std::filesystem::path kFixtures = VELTANE_FIXTURE_DIR;

std::vector<std::int16_t> ReferenceMono(const std::filesystem::path& file, std::uint32_t rate,
                                        int channels) {
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -i '" +
                                file.string() + "' -map 0:a:0 -f s16le -ac " +
                                std::to_string(channels) + " -ar " + std::to_string(rate) + " -";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::vector<std::int16_t> interleaved;
    std::int16_t buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, sizeof buffer[0], std::size(buffer), pipe)) > 0) {
        interleaved.insert(interleaved.end(), buffer, buffer + got);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    if (channels == 1) {
        return interleaved;
    }
    std::vector<std::int16_t> mono(interleaved.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i) {
        mono[i] = static_cast<std::int16_t>((interleaved[2 * i] + interleaved[2 * i + 1]) / 2);
    }
    return mono;
}

// The correlation of a with b, sample for sample, and the rms error relative to
// b's level.
std::pair<double, double> Match(std::span<const std::int16_t> a, std::span<const std::int16_t> b) {
    double ab = 0, aa = 0, bb = 0, dd = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const double x = a[i], y = b[i];
        ab += x * y, aa += x * x, bb += y * y, dd += (x - y) * (x - y);
    }
    return aa > 0 && bb > 0 ? std::pair{ab / std::sqrt(aa * bb), std::sqrt(dd / bb)}
                            : std::pair{0.0, 1.0};
}

class FixtureDecodeTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureDecodeTest, MatchesReferenceDecode) {
    const FixtureCase& c = GetParam();
    CSoundFile record;
    const LoadResult code = LoadSoundFile(record, (kFixtures / c.file).string());
    ASSERT_EQ(code, c.code);
    if (code != LoadResult::kOk) {
        EXPECT_FALSE(record.m_loaded);
        return;
    }
    ASSERT_TRUE(record.m_loaded);
    EXPECT_EQ(record.m_format.SamplesPerSec(), c.rate);
    EXPECT_EQ(record.m_format.Channels(), 1);
    EXPECT_EQ(record.m_format.BitsPerSample(), 16);

    const std::vector<std::int16_t> reference =
        ReferenceMono(kFixtures / (c.referenceFile ? c.referenceFile : c.file), c.rate, c.channels);
    ASSERT_FALSE(reference.empty());
    const auto samples = record.Samples();
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(record.m_sampleCount));
    EXPECT_EQ(record.m_peakMagnitude, LargestMagnitude(samples));
    EXPECT_NEAR(static_cast<double>(samples.size()), static_cast<double>(reference.size()),
                c.countSlack);
    if (c.match == Match::Exact) {
        ASSERT_EQ(samples.size(), reference.size());
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), reference.begin()));
        return;
    }
    const auto [correlation, error] = Match(samples, std::span(reference).subspan(c.lag));
    EXPECT_GT(correlation, 0.99);
    EXPECT_LT(error, 0.15);
}

constexpr auto E = Match::Exact;
constexpr auto C = Match::Close;
using enum LoadResult;

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureDecodeTest,
    ::testing::Values(FixtureCase{"pcm_u8_mono_8000.wav", kOk, 8000, 1, E},
                      FixtureCase{"pcm_u8_stereo_11025.wav", kOk, 11025, 2, E},
                      FixtureCase{"pcm_s16_mono_16000.wav", kOk, 16000, 1, E},
                      FixtureCase{"pcm_s16_stereo_22050.wav", kOk, 22050, 2, E},
                      FixtureCase{"pcm_s16_mono_32000.wav", kOk, 32000, 1, E},
                      FixtureCase{"pcm_s16_stereo_44100.wav", kOk, 44100, 2, E},
                      FixtureCase{"pcm_s16_mono_48000.wav", kOk, 48000, 1, E},
                      FixtureCase{"pcm_s16_stereo_96000.wav", kOk, 96000, 2, E},
                      FixtureCase{"pcm_s24_mono_44100.wav", kUnsupportedFormat},
                      FixtureCase{"chunks_around_fmt_22050.wav", kOk, 22050, 2, E},
                      FixtureCase{"odd_chunks_padded_8000.wav", kOk, 8000, 1, E},
                      FixtureCase{"odd_chunks_unpadded_8000.wav", kOk, 8000, 1, E, 0,
                                  "odd_chunks_padded_8000.wav"},
                      FixtureCase{"fmt17_padded_16000.wav", kOk, 16000, 1, E},
                      FixtureCase{"adpcm_ms_stereo_22050.wav", kOk, 22050, 2, C, 2048},
                      FixtureCase{"adpcm_ima_mono_16000.wav", kOk, 16000, 1, C, 2048},
                      FixtureCase{"alaw_mono_8000.wav", kOk, 8000, 1, E},
                      FixtureCase{"mulaw_stereo_8000.wav", kOk, 8000, 2, E},
                      FixtureCase{"gsm_ms_mono_8000.wav", kOk, 8000, 1, C, 320},
                      FixtureCase{"float32_mono_22050.wav", kOk, 22050, 1, E},
                      FixtureCase{"float32_extensible_stereo_44100.wav", kOk, 44100, 2, E},
                      FixtureCase{"extensible_s16_stereo_96000.wav", kOk, 96000, 2, E},
                      FixtureCase{"extensible_s24_mono_48000.wav", kOk, 48000, 1, E},
                      FixtureCase{"mpeg1_cbr128_stereo_44100.mp3", kOk, 44100, 2, C, 2304},
                      FixtureCase{"mpeg1_vbr_mono_48000.mp3", kOk, 48000, 1, C, 2304},
                      FixtureCase{"mpeg1_cbr64_stereo_32000_notag.mp3", kOk, 32000, 2, C, 2304},
                      FixtureCase{"mpeg2_cbr64_mono_22050.mp3", kOk, 22050, 1, C, 1152},
                      FixtureCase{"mpeg2_vbr_stereo_24000.mp3", kOk, 24000, 2, C, 1152},
                      FixtureCase{"mpeg25_cbr16_mono_8000.mp3", kOk, 8000, 1, C, 1152},
                      FixtureCase{"mpeg25_vbr_stereo_11025.mp3", kOk, 11025, 2, C, 1152},
                      FixtureCase{"id3_small_stereo_44100.mp3", kOk, 44100, 2, C, 2304},
                      FixtureCase{"id3_large_mono_22050.mp3", kOk, 22050, 1, C, 1152},
                      FixtureCase{"layer2_stereo_44100.mp3", kOk, 44100, 2, C, 2304},
                      FixtureCase{"concat_44100_stereo_22050_mono.mp3", kOk, 44100, 2, C, 2304,
                                  nullptr, 1120},
                      FixtureCase{"cut_mpeg1_stereo_44100.mp3", kOk, 44100, 2, C, 2304},
                      FixtureCase{"mp3_in_wav_mono_22050.wav", kOk, 22050, 1, C, 1152},
                      FixtureCase{"mp2_in_wav_stereo_48000.wav", kOk, 48000, 2, C, 2304}),
    [](const auto& p) {
        std::string name = p.param.file;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

}  // namespace
