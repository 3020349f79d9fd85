// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "ByteSource.h"
#include "FormatArea.h"

// Conversion of any compressed sound format that a WAV or MP3 file can carry
// into interleaved signed 16-bit PCM, in the steps of a codec manager: suggest
// a destination format, open a stream, size the output, convert in one call.
// The output comes out in blocks, so that no conversion holds it whole.
// The decoders live in the codec module (CodecModule), loaded on the first
// call here; when it cannot be loaded nothing can be converted.
// Window thread only; nothing here is shared.
class CodecStream {
  public:
    // Completes destination (tag 1, the source's channels and rate, 16 bits,
    // cbSize 0: nBlockAlign and nAvgBytesPerSec are filled in) when a decoder
    // exists for the source format. False when none does, when the source's
    // cbSize claims more extra bytes than the area holds, or when it has 0
    // channels.
    static bool SuggestPcmFormat(const FormatArea& source, FormatArea& destination);

    // Nullptr when the source cannot be decoded into destination.
    static std::unique_ptr<CodecStream> Open(const FormatArea& source,
                                             const FormatArea& destination);
    // Inline, so that the module's streams need nothing of the program.
    virtual ~CodecStream() = default;
    CodecStream(const CodecStream&) = delete;
    CodecStream& operator=(const CodecStream&) = delete;

    // Takes one block of the output: whole frames of the destination format, in
    // order. False ends the conversion as failed.
    using BlockSink = std::function<bool(std::span<const std::uint8_t>)>;

    // Converts the whole source in one call, handing the output to sink as it is
    // made; returns the number of bytes handed over, or nothing on failure
    // (then some blocks may already have been handed over). What the source's
    // read throws passes through.
    virtual std::optional<std::uint32_t> Convert(ByteSource& source, const BlockSink& sink) = 0;

    // The exact number of bytes Convert() writes for this whole source; nothing
    // when the source cannot be decoded. Decodes the whole source.
    std::optional<std::uint32_t> Size(std::span<const std::uint8_t> source);
    // Converts the whole source into destination; returns the number of bytes
    // written (at most destination.size()), or nothing on failure.
    std::optional<std::uint32_t> Convert(std::span<const std::uint8_t> source,
                                         std::span<std::uint8_t> destination);

  protected:
    CodecStream() = default;
};
