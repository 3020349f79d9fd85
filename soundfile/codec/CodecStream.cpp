// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodecStream.h"

#include <algorithm>

#include "CodecModule.h"
#include "SpanSource.h"

bool CodecStream::SuggestPcmFormat(const FormatArea& source, FormatArea& destination) {
    const CodecModuleApi* codec = CodecModule::Api();
    return codec != nullptr && codec->suggestPcmFormat(source, destination);
}

std::unique_ptr<CodecStream> CodecStream::Open(const FormatArea& source,
                                               const FormatArea& destination) {
    const CodecModuleApi* codec = CodecModule::Api();
    return codec != nullptr ? codec->open(source, destination) : nullptr;
}

std::optional<std::uint32_t> CodecStream::Size(std::span<const std::uint8_t> source) {
    SpanSource bytes(source);
    return Convert(bytes, [](std::span<const std::uint8_t>) { return true; });
}

std::optional<std::uint32_t> CodecStream::Convert(std::span<const std::uint8_t> source,
                                                  std::span<std::uint8_t> destination) {
    SpanSource bytes(source);
    std::size_t filled = 0;
    const BlockSink fill = [&](std::span<const std::uint8_t> block) {
        const std::size_t count = std::min(block.size(), destination.size() - filled);
        std::copy_n(block.begin(), count, destination.subspan(filled).begin());
        filled += count;
        return true;
    };
    if (!Convert(bytes, fill)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(filled);
}
