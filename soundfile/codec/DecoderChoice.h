// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>  // UINT64_C and friends, which FFmpeg's headers need in C++
#include <optional>

extern "C" {
#include <libavcodec/codec_id.h>
}

#include "FormatArea.h"

// Which FFmpeg decoder a RIFF format record calls for, and how its data must be
// cut into packets.
struct DecoderChoice {
    AVCodecID codecId = AV_CODEC_ID_NONE;
    // MPEG audio (Layers I to III) is a stream of self-describing frames, often
    // behind an ID3v2 tag and an encoder header: it goes through the MP3
    // demuxer rather than being cut into blocks.
    bool mpegAudio = false;
    // The format-specific bytes the decoder takes as extradata: those behind the
    // base, or behind the WAVE_FORMAT_EXTENSIBLE fields.
    std::size_t extraOffset = FormatArea::kBaseSize;
    std::size_t extraSize = 0;
};

// Nothing when the record names no format that an installed decoder handles,
// or when its cbSize claims more bytes than the area holds. Pure over the
// record's bytes; reads no further than the area.
std::optional<DecoderChoice> ChooseDecoder(const FormatArea& format);
