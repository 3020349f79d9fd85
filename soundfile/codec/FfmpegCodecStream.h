// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "ByteSource.h"
#include "CodecStream.h"
#include "DecoderChoice.h"
#include "FormatArea.h"

// The codec module's conversion: FFmpeg's decoders and resampler behind the
// CodecStream steps. Window thread only.
class FfmpegCodecStream final : public CodecStream {
  public:
    static bool SuggestPcmFormat(const FormatArea& source, FormatArea& destination);
    static std::unique_ptr<CodecStream> Open(const FormatArea& source,
                                             const FormatArea& destination);

    std::optional<std::uint32_t> Convert(ByteSource& source, const BlockSink& sink) override;
    using CodecStream::Convert;

  private:
    FfmpegCodecStream(const FormatArea& source, const FormatArea& destination,
                      const DecoderChoice& choice);

    FormatArea m_source;
    int m_channels;
    int m_sampleRate;
    DecoderChoice m_choice;
};
