// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "CodecStream.h"
#include "FormatArea.h"

// What the codec module (libveltane-codec.so) offers the program: FFmpeg and
// the hundred-odd libraries behind it are loaded with the module, on the first
// recording that needs a decoder, rather than before the window can show.
// The module and the program are built together; kAbi changes with this table.
struct CodecModuleApi {
    static constexpr std::uint32_t kAbi = 1;

    std::uint32_t abi;
    // As CodecStream::SuggestPcmFormat and CodecStream::Open.
    bool (*suggestPcmFormat)(const FormatArea& source, FormatArea& destination);
    std::unique_ptr<CodecStream> (*open)(const FormatArea& source, const FormatArea& destination);
};

// The module's one exported symbol; the table lives as long as the module.
extern "C" const CodecModuleApi* veltane_codec_module();
inline constexpr char kCodecModuleEntry[] = "veltane_codec_module";
