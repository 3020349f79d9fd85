// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecoderChoice.h"

#include <algorithm>
#include <array>
#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// WAVEFORMATEXTENSIBLE behind the base: wValidBitsPerSample (2 bytes),
// dwChannelMask (4 bytes), then the 16-byte sub-format GUID.
constexpr std::size_t kExtensibleExtraBytes = 22;
constexpr std::size_t kSubFormatOffset = FormatArea::kBaseSize + 6;

// Every KSDATAFORMAT_SUBTYPE GUID of a classic format tag is this base with the
// tag in the low 16 bits of Data1; these are the bytes after Data1's low half.
constexpr std::array<std::uint8_t, 14> kSubFormatBaseTail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The tag that says which codec the data holds, looking through
// WAVE_FORMAT_EXTENSIBLE; nothing when the sub-format is not a classic tag.
std::optional<std::uint16_t> EffectiveTag(const FormatArea& format) {
    const std::uint16_t tag = format.FormatTag();
    if (tag != wave_format_tag::kExtensible) {
        return tag;
    }
    if (format.CbSize() < kExtensibleExtraBytes) {
        return std::nullopt;
    }
    const auto tail = format.bytes.begin() + kSubFormatOffset + 2;
    if (!std::equal(kSubFormatBaseTail.begin(), kSubFormatBaseTail.end(), tail)) {
        return std::nullopt;
    }
    return format.U16(kSubFormatOffset);
}

// The RIFF table names one PCM codec for tag 1 and one for tag 3; the sample
// width picks the real one, as libavformat's WAV reader does.
AVCodecID PcmCodecForWidth(AVCodecID id, std::uint16_t bitsPerSample) {
    if (id == AV_CODEC_ID_PCM_S16LE) {
        switch (bitsPerSample) {
            case 8:
                return AV_CODEC_ID_PCM_U8;
            case 16:
                return AV_CODEC_ID_PCM_S16LE;
            case 24:
                return AV_CODEC_ID_PCM_S24LE;
            case 32:
                return AV_CODEC_ID_PCM_S32LE;
            case 64:
                return AV_CODEC_ID_PCM_S64LE;
            default:
                return AV_CODEC_ID_NONE;
        }
    }
    if (id == AV_CODEC_ID_PCM_F32LE) {
        switch (bitsPerSample) {
            case 32:
                return AV_CODEC_ID_PCM_F32LE;
            case 64:
                return AV_CODEC_ID_PCM_F64LE;
            default:
                return AV_CODEC_ID_NONE;
        }
    }
    return id;
}

}  // namespace

std::optional<DecoderChoice> ChooseDecoder(const FormatArea& format) {
    if (format.CbSize() > FormatArea::kMaxExtraBytes) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> tag = EffectiveTag(format);
    if (!tag) {
        return std::nullopt;
    }
    DecoderChoice choice;
    choice.extraSize = format.CbSize();
    if (format.FormatTag() == wave_format_tag::kExtensible) {
        choice.extraOffset += kExtensibleExtraBytes;
        choice.extraSize -= kExtensibleExtraBytes;
    }
    if (*tag == wave_format_tag::kMpeg || *tag == wave_format_tag::kMpegLayer3) {
        // The MP3 decoder reads every layer; the demuxer tells which one it met.
        choice.codecId = AV_CODEC_ID_MP3;
        choice.mpegAudio = true;
    } else {
        const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
        choice.codecId = PcmCodecForWidth(av_codec_get_id(tables, *tag), format.BitsPerSample());
    }
    if (choice.codecId == AV_CODEC_ID_NONE || avcodec_find_decoder(choice.codecId) == nullptr) {
        return std::nullopt;
    }
    return choice;
}
