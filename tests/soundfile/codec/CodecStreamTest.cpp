#include "codec/CodecStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "MediaTool.h"
#include "SoundFile.h"
#include "StdioFile.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

MediaTool& Tool() {
    static MediaTool tool;
    return tool;
}

FormatArea MakeFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint32_t bytesPerSecond, std::uint16_t blockAlign, std::uint16_t bits,
                      std::uint16_t cbSize) {
    FormatArea f;
    f.SetFormatTag(tag);
    f.SetChannels(channels);
    f.SetSamplesPerSec(rate);
    f.SetAvgBytesPerSec(bytesPerSecond);
    f.SetBlockAlign(blockAlign);
    f.SetBitsPerSample(bits);
    f.SetCbSize(cbSize);
    return f;
}

// The record the MP3 header reader makes from a file's first frame header.
FormatArea MpegFormat(std::uint16_t channels, std::uint32_t rate, std::uint16_t tag = 85) {
    FormatArea f = MakeFormat(tag, channels, rate, 16000, 1, 0, 12);
    f.SetU16(18, 1);     // wID: MPEGLAYER3_ID_MPEG
    f.SetU32(20, 2);     // fdwFlags: padding off
    f.SetU16(24, 384);   // nBlockSize
    f.SetU16(26, 1);     // nFramesPerBlock
    f.SetU16(28, 1393);  // nCodecDelay
    return f;
}

// WAVE_FORMAT_EXTENSIBLE whose sub-format GUID is the standard one for `subTag`.
FormatArea ExtensibleFormat(std::uint16_t subTag, std::uint16_t channels, std::uint16_t bits) {
    const std::uint16_t frame = static_cast<std::uint16_t>(channels * bits / 8);
    FormatArea f = MakeFormat(0xFFFE, channels, 48000, 48000u * frame, frame, bits, 22);
    f.SetU16(18, bits);
    f.SetU32(20, channels == 2 ? 3 : 4);
    static constexpr std::uint8_t kTail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.SetU16(24, subTag);
    std::copy(std::begin(kTail), std::end(kTail), f.bytes.begin() + 26);
    return f;
}

// A few tenths of a second of distinct sines, one per channel.
std::string Tones(int channels, int rate, double seconds = 0.3) {
    std::string expr;
    for (int c = 0; c < channels; ++c) {
        expr += (c ? "|" : "") + std::to_string(0.5 - 0.05 * c) + "*sin(2*PI*" +
                std::to_string(330 + 110 * c) + "*t)";
    }
    return "aevalsrc=" + expr + ":s=" + std::to_string(rate) + ":d=" + std::to_string(seconds);
}

struct Input {
    FormatArea format;
    Bytes data;
    std::string file;  // what the reference decode reads
};

// Split by the WAV reader, as the loader hands a file's format and data to the codec.
std::optional<Input> Wav(const std::string& name, const std::string& source,
                         std::vector<std::string> codec) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", source};
    args.insert(args.end(), codec.begin(), codec.end());
    CStdioFile file;
    CSoundFile record;
    if (!Tool().Make(name, args) || !file.Open(Tool().PathOf(name).string()) ||
        record.ReadWav(file) != 0) {
        return std::nullopt;
    }
    Bytes data(record.m_dataLength);
    if (file.Read(data.data(), data.size()) != data.size()) {
        return std::nullopt;
    }
    return Input{record.m_format, data, name};
}

std::optional<Input> Mpeg(const std::string& name, int channels, int rate,
                          std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"-f", "lavfi", "-i", Tones(channels, rate)};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {"-c:a", "libmp3lame"});
    const std::optional<Bytes> file = Tool().Make(name, args);
    if (!file) {
        return std::nullopt;
    }
    return Input{MpegFormat(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate)),
                 *file, name};
}

// Two MP3 files back to back, the second at another rate and layout; the record
// describes the first, as the header reader would.
std::optional<Input> ConcatenatedMpeg() {
    const std::optional<Input> first = Mpeg("first.mp3", 1, 22050);
    const std::optional<Input> second = Mpeg("second.mp3", 2, 44100);
    if (!first || !second) {
        return std::nullopt;
    }
    Input both = *first;
    both.data.insert(both.data.end(), second->data.begin(), second->data.end());
    both.file = "both.mp3";
    Tool().Write(both.file, both.data);
    return both;
}

// The whole output of a fresh stream, which must write exactly the size it reported.
std::optional<Bytes> Decode(const FormatArea& format, const Bytes& data) {
    FormatArea pcm;
    if (!CodecStream::SuggestPcmFormat(format, pcm)) {
        return std::nullopt;
    }
    const std::unique_ptr<CodecStream> stream = CodecStream::Open(format, pcm);
    const std::optional<std::uint32_t> size = stream ? stream->Size(data) : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    Bytes out(*size);
    EXPECT_EQ(stream->Convert(data, out), size);
    return out;
}

// What the loader cannot reach through the committed fixtures (those are decoded
// against ffmpeg in FixtureDecodeTest): MPEG audio inside a WAV data chunk, more
// channels than a mix-down takes, a cover picture as a second stream, and spliced
// files whose rate and layout change.
struct DecodeCase {
    std::string name;
    std::function<std::optional<Input>()> make;
    std::uint16_t tag;  // the format the case must exercise
    int channels;
    int rate;
};

void PrintTo(const DecodeCase& c, std::ostream* out) {
    *out << c.name;
}

class CodecDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(CodecDecodeTest, MatchesFfmpegsOwnDecode) {
    const DecodeCase& c = GetParam();
    if (!MediaTool::Available()) {
        GTEST_SKIP() << MediaTool::kFfmpeg << " is missing";
    }
    const std::optional<Input> input = c.make();
    ASSERT_TRUE(input.has_value());
    ASSERT_EQ(input->format.FormatTag(), c.tag);
    const std::optional<Bytes> ours = Decode(input->format, input->data);
    ASSERT_TRUE(ours.has_value());
    ASSERT_EQ(ours->size() % static_cast<std::size_t>(c.channels * 2), 0u);
    const std::optional<Bytes> reference = Tool().Reference(input->file, c.channels, c.rate);
    ASSERT_TRUE(reference.has_value());
    // The same libraries underneath: bit for bit alike.
    EXPECT_EQ(ours->size(), reference->size());
    EXPECT_TRUE(*ours == *reference);
}

const DecodeCase kDecodeCases[] = {
    {"Mp3InsideWav",
     [] {
         return Wav("mp3in.wav", Tones(1, 22050), {"-c:a", "libmp3lame", "-b:a", "48k"});
     },
     0x0055, 1, 22050},
    {"Mp2InsideWav",
     [] {
         return Wav("mp2in.wav", Tones(2, 48000), {"-c:a", "mp2"});
     },
     0x0050, 2, 48000},
    {"SixChannelsPassThrough",
     [] {
         return Wav("six.wav", Tones(6, 32000), {"-c:a", "pcm_s16le"});
     },
     0xFFFE, 6, 32000},
    {"Mp3WithCoverArt",
     [] {
         return Mpeg("cover.mp3", 2, 44100,
                     {"-f", "lavfi", "-i", "color=c=red:s=64x64:d=0.1", "-frames:v", "1", "-map",
                      "0:a", "-map", "1:v", "-c:v", "mjpeg", "-disposition:v", "attached_pic",
                      "-id3v2_version", "3"});
     },
     85, 2, 44100},
    {"ConcatenatedRatesAndLayouts", ConcatenatedMpeg, 85, 1, 22050},
};

INSTANTIATE_TEST_SUITE_P(Formats, CodecDecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& row) { return row.param.name; });

struct SuggestCase {
    const char* name;
    FormatArea source;
    bool accepted;
};

TEST(CodecSuggestTest, AcceptsDecodableFormatsAndRefusesTheRest) {
    FormatArea foreignGuid = ExtensibleFormat(1, 2, 24);
    foreignGuid.bytes[39] ^= 0x01;
    FormatArea shortExtensible = ExtensibleFormat(1, 2, 24);
    shortExtensible.SetCbSize(21);
    FormatArea adpcmMs = MakeFormat(0x0002, 2, 22050, 22311, 1024, 4, 32);
    FormatArea tooLong = adpcmMs;
    tooLong.SetCbSize(39);
    FormatArea wayTooLong = adpcmMs;
    wayTooLong.SetCbSize(0xFFFF);
    FormatArea noChannels = adpcmMs;
    noChannels.SetChannels(0);
    FormatArea noRate = adpcmMs;
    noRate.SetSamplesPerSec(0);
    FormatArea tooFast = adpcmMs;
    tooFast.SetSamplesPerSec(768001);
    FormatArea fullArea = MpegFormat(2, 44100);
    fullArea.SetCbSize(38);

    const SuggestCase cases[] = {
        {"ADPCM", adpcmMs, true},
        {"MPEG Layer-3", MpegFormat(2, 44100), true},
        {"MPEG Layers I/II", MpegFormat(1, 32000, 0x0050), true},
        {"A-law", MakeFormat(0x0006, 1, 8000, 8000, 1, 8, 0), true},
        {"extensible PCM 24-bit", ExtensibleFormat(1, 2, 24), true},
        {"extensible float", ExtensibleFormat(3, 2, 32), true},
        {"extra bytes filling the area", fullArea, true},
        {"extensible with a foreign GUID", foreignGuid, false},
        {"extensible without its fields", shortExtensible, false},
        {"extensible PCM of 12 bits", ExtensibleFormat(1, 2, 12), false},
        {"unassigned tag", MakeFormat(0x7A7A, 1, 8000, 8000, 1, 8, 0), false},
        {"tag 0", MakeFormat(0x0000, 1, 8000, 8000, 1, 8, 0), false},
        {"cbSize one past the area", tooLong, false},
        {"cbSize 0xFFFF", wayTooLong, false},
        {"no channels", noChannels, false},
        {"no sample rate", noRate, false},
        {"a rate above every recording format's", tooFast, false},
        {"destination nBlockAlign would overflow", MakeFormat(0x0006, 40000, 8000, 0, 1, 8, 0),
         false},
    };
    for (const SuggestCase& c : cases) {
        FormatArea destination;
        destination.bytes.fill(0x5A);
        const FormatArea before = destination;
        EXPECT_EQ(CodecStream::SuggestPcmFormat(c.source, destination), c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(destination.bytes, before.bytes) << c.name << ": refused but written";
            continue;
        }
        const std::uint32_t frame = c.source.Channels() * 2u;
        EXPECT_EQ(destination.FormatTag(), 1) << c.name;
        EXPECT_EQ(destination.Channels(), c.source.Channels()) << c.name;
        EXPECT_EQ(destination.SamplesPerSec(), c.source.SamplesPerSec()) << c.name;
        EXPECT_EQ(destination.BitsPerSample(), 16) << c.name;
        EXPECT_EQ(destination.BlockAlign(), frame) << c.name;
        EXPECT_EQ(destination.AvgBytesPerSec(), frame * c.source.SamplesPerSec()) << c.name;
        EXPECT_EQ(destination.CbSize(), 0) << c.name;
    }
}

TEST(CodecOpenTest, RefusesWhatCannotBeDecodedIntoTheDestination) {
    const FormatArea adpcm = MakeFormat(0x0002, 1, 22050, 11155, 512, 4, 32);
    FormatArea pcm16;
    ASSERT_TRUE(CodecStream::SuggestPcmFormat(adpcm, pcm16));
    ASSERT_NE(CodecStream::Open(adpcm, pcm16), nullptr);

    const auto changed = [](FormatArea f, auto change) {
        change(f);
        return f;
    };
    const struct {
        const char* name;
        FormatArea source;
        FormatArea destination;
    } cases[] = {
        {"8-bit destination", adpcm, changed(pcm16, [](FormatArea& f) { f.SetBitsPerSample(8); })},
        {"float destination", adpcm, changed(pcm16, [](FormatArea& f) { f.SetFormatTag(3); })},
        {"destination without channels", adpcm,
         changed(pcm16, [](FormatArea& f) { f.SetChannels(0); })},
        {"destination without rate", adpcm,
         changed(pcm16, [](FormatArea& f) { f.SetSamplesPerSec(0); })},
        {"destination with more channels than can be mixed", adpcm,
         changed(pcm16, [](FormatArea& f) { f.SetChannels(1000); })},
        {"source without channels", changed(adpcm, [](FormatArea& f) { f.SetChannels(0); }), pcm16},
        {"source cbSize past the area", changed(adpcm, [](FormatArea& f) { f.SetCbSize(39); }),
         pcm16},
        {"IMA ADPCM with more channels than it codes",
         MakeFormat(0x0011, 3, 8000, 12165, 768, 4, 2), pcm16},
        {"unknown tag", changed(adpcm, [](FormatArea& f) { f.SetFormatTag(0x7A7A); }), pcm16},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodecStream::Open(c.source, c.destination), nullptr) << c.name;
    }
}

// Whatever the bytes, a conversion ends, stays within a bound set by the input
// size, and writes exactly the size it reported.
TEST(CodecGarbageTest, ArbitraryDataEndsBoundedAndConsistent) {
    std::mt19937 random(20261206);
    Bytes noise(48 * 1024);
    for (std::uint8_t& b : noise) {
        b = static_cast<std::uint8_t>(random());
    }
    // Frame sync words everywhere: each looks like a header to the demuxer.
    Bytes syncs(16 * 1024);
    for (std::size_t i = 0; i < syncs.size(); ++i) {
        syncs[i] = (i % 2) ? 0xFB : 0xFF;
    }
    // An ID3v2 tag header that claims far more than the data holds.
    Bytes id3 = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    id3.insert(id3.end(), noise.begin(), noise.begin() + 4096);
    // The first bytes of a real frame header, then noise.
    Bytes halfFrame = {0xFF, 0xFB, 0x90, 0x64};
    halfFrame.insert(halfFrame.end(), noise.begin(), noise.begin() + 8192);
    const Bytes zeros(8192, 0);

    const struct {
        const char* name;
        FormatArea format;
    } formats[] = {
        {"MPEG Layer-3", MpegFormat(2, 44100)},
        {"MPEG Layers I/II", MpegFormat(1, 8000, 0x0050)},
        {"MS ADPCM", MakeFormat(0x0002, 2, 22050, 22311, 1024, 4, 32)},
        {"IMA ADPCM", MakeFormat(0x0011, 1, 8000, 4055, 256, 4, 2)},
        {"A-law", MakeFormat(0x0006, 2, 8000, 16000, 2, 8, 0)},
        {"GSM 6.10", MakeFormat(0x0031, 1, 8000, 1625, 65, 0, 2)},
    };
    const struct {
        const char* name;
        const Bytes& bytes;
    } inputs[] = {{"noise", noise},
                  {"sync words", syncs},
                  {"huge ID3 tag", id3},
                  {"half a frame", halfFrame},
                  {"zeros", zeros}};

    for (const auto& f : formats) {
        FormatArea pcm;
        ASSERT_TRUE(CodecStream::SuggestPcmFormat(f.format, pcm)) << f.name;
        const std::unique_ptr<CodecStream> stream = CodecStream::Open(f.format, pcm);
        ASSERT_NE(stream, nullptr) << f.name;
        for (const auto& in : inputs) {
            const std::optional<std::uint32_t> size = stream->Size(in.bytes);
            if (!size) {
                continue;
            }
            // The densest format here, MPEG-2.5 Layer III at 8 kbit/s, gives
            // under 200 output bytes per input byte at these rates.
            EXPECT_LE(*size, 200 * in.bytes.size() + 65536) << f.name << ", " << in.name;
            Bytes out(*size);
            EXPECT_EQ(stream->Convert(in.bytes, out), size) << f.name << ", " << in.name;
        }
    }
}

class CodecStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!MediaTool::Available()) {
            GTEST_SKIP() << MediaTool::kFfmpeg << " is missing";
        }
    }
};

// A cut MP3 decodes the frames before the cut; empty data is empty PCM, but an
// empty MPEG stream is no recording at all.
TEST_F(CodecStreamTest, CutAndEmptyData) {
    const std::optional<Input> whole = Mpeg("cut.mp3", 2, 44100);
    ASSERT_TRUE(whole.has_value());
    const std::optional<Bytes> full = Decode(whole->format, whole->data);
    ASSERT_TRUE(full.has_value());
    const Bytes half(whole->data.begin(),
                     whole->data.begin() + static_cast<std::ptrdiff_t>(whole->data.size() / 2));
    const std::optional<Bytes> part = Decode(whole->format, half);
    ASSERT_TRUE(part.has_value());
    EXPECT_GT(part->size(), full->size() / 4);
    EXPECT_LT(part->size(), full->size());

    const std::optional<Bytes> adpcm = Decode(MakeFormat(0x0002, 1, 22050, 11155, 512, 4, 32), {});
    ASSERT_TRUE(adpcm.has_value());
    EXPECT_TRUE(adpcm->empty());
    EXPECT_FALSE(Decode(MpegFormat(2, 44100), {}).has_value());
}

// Size() keeps its decode for Convert(); bytes changed in place in between must
// be decoded afresh, not answered from the kept result. A short destination
// takes the start of the output.
TEST_F(CodecStreamTest, ConvertDecodesTheBytesItIsGivenNowIntoAnyLength) {
    const std::optional<Input> low = Wav("low.wav", Tones(1, 8000), {"-c:a", "pcm_alaw"});
    const std::optional<Input> high =
        Wav("high.wav", "aevalsrc=0.3*sin(2*PI*1000*t):s=8000:d=0.3", {"-c:a", "pcm_alaw"});
    ASSERT_TRUE(low && high);
    ASSERT_EQ(low->data.size(), high->data.size());
    const std::optional<Bytes> expected = Decode(high->format, high->data);
    ASSERT_TRUE(expected.has_value());

    FormatArea pcm;
    ASSERT_TRUE(CodecStream::SuggestPcmFormat(low->format, pcm));
    const std::unique_ptr<CodecStream> stream = CodecStream::Open(low->format, pcm);
    ASSERT_NE(stream, nullptr);
    Bytes buffer = low->data;
    const std::optional<std::uint32_t> size = stream->Size(buffer);
    ASSERT_TRUE(size.has_value());
    std::copy(high->data.begin(), high->data.end(), buffer.begin());
    Bytes start(*size / 3);
    EXPECT_EQ(stream->Convert(buffer, start), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), expected->begin()));
    Bytes out(*size);
    EXPECT_EQ(stream->Convert(buffer, out), size);
    EXPECT_TRUE(out == *expected);
}

}  // namespace
