// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodecModuleApi.h"
#include "FfmpegCodecStream.h"

extern "C" __attribute__((visibility("default"))) const CodecModuleApi* veltane_codec_module() {
    static constexpr CodecModuleApi kApi{
        .abi = CodecModuleApi::kAbi,
        .suggestPcmFormat = &FfmpegCodecStream::SuggestPcmFormat,
        .open = &FfmpegCodecStream::Open,
    };
    return &kApi;
}
