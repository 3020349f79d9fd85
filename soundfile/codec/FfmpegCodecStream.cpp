// SPDX-License-Identifier: GPL-3.0-or-later
#include "FfmpegCodecStream.h"

#include <algorithm>
#include <cstring>

#include "DecodeRun.h"
#include "DecoderChoice.h"
#include "FfmpegHandles.h"
#include "MpegDemuxer.h"
#include "S16Sink.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace {

constexpr std::uint16_t kPcmBits = 16;
// No load may produce more than this; larger output is refused, not cut.
constexpr std::size_t kMaxOutputBytes = std::size_t{1} << 31;
// Above the highest rate any recording format uses (768 kHz); refusing more
// keeps a lying header from asking the resampler for gigabytes per frame.
constexpr std::uint32_t kMaxSampleRate = 768000;
// Non-MPEG data goes to the decoder in packets of whole blocks of about this
// size, the way libavformat's WAV reader cuts it.
constexpr std::size_t kPacketBytes = 4096;

// FFmpeg logs to stderr by default; this program has no log.
void SilenceFfmpeg() {
    static const bool silenced = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    static_cast<void>(silenced);
}

bool IsUsableSource(const FormatArea& source) {
    return source.Channels() != 0 && source.CbSize() <= FormatArea::kMaxExtraBytes &&
           source.SamplesPerSec() != 0 && source.SamplesPerSec() <= kMaxSampleRate;
}

bool IsUsableDestination(const FormatArea& destination) {
    return destination.FormatTag() == wave_format_tag::kPcm &&
           destination.BitsPerSample() == kPcmBits && destination.Channels() != 0 &&
           destination.SamplesPerSec() != 0 && destination.SamplesPerSec() <= kMaxSampleRate;
}

// A decoder for block-cut data, set up from the format record the way the WAV
// reader of libavformat sets it up; nullptr when the decoder refuses it.
CodecContextPtr OpenBlockDecoder(const FormatArea& source, const DecoderChoice& choice) {
    const AVCodec* codec = avcodec_find_decoder(choice.codecId);
    if (codec == nullptr) {
        return nullptr;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        return nullptr;
    }
    context->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
    context->ch_layout.nb_channels = source.Channels();
    context->sample_rate = static_cast<int>(source.SamplesPerSec());
    context->block_align = source.BlockAlign();
    context->bits_per_coded_sample = source.BitsPerSample();
    context->bit_rate = static_cast<std::int64_t>(source.AvgBytesPerSec()) * 8;
    context->thread_count = 1;
    if (choice.extraSize > 0) {
        context->extradata =
            static_cast<std::uint8_t*>(av_mallocz(choice.extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
        if (context->extradata == nullptr) {
            return nullptr;
        }
        std::memcpy(context->extradata, source.bytes.data() + choice.extraOffset, choice.extraSize);
        context->extradata_size = static_cast<int>(choice.extraSize);
    }
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return context;
}

// The decoder for the layer that the frame header at the start of a demuxed
// packet names; FFmpeg's tools pick the same one, and the Layer I and II
// decoders round differently from the Layer III one.
AVCodecID MpegCodecFor(const AVPacket& packet) {
    if (packet.size < 4 || packet.data[0] != 0xFF || (packet.data[1] & 0xE0) != 0xE0) {
        return AV_CODEC_ID_MP3;
    }
    static constexpr AVCodecID kByLayerCode[4] = {AV_CODEC_ID_MP3, AV_CODEC_ID_MP3, AV_CODEC_ID_MP2,
                                                  AV_CODEC_ID_MP1};
    return kByLayerCode[(packet.data[1] >> 1) & 3];
}

CodecContextPtr OpenStreamDecoder(const AVStream& stream, AVCodecID codecId) {
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (codec == nullptr) {
        return nullptr;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0) {
        return nullptr;
    }
    // The demuxer's skip marks are in stream time.
    context->pkt_timebase = stream.time_base;
    context->thread_count = 1;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return context;
}

bool DecodeMpeg(ByteSource& source, S16Sink& sink) {
    std::unique_ptr<MpegDemuxer> demuxer = MpegDemuxer::Open(source);
    PacketPtr packet(av_packet_alloc());
    if (!demuxer || !packet) {
        return false;
    }
    // Made at the first packet, when the layer is known.
    CodecContextPtr decoder;
    std::optional<DecodeRun> run;
    // Each packet consumes input, so there are never more packets than bytes.
    const std::uint64_t size = source.Size();
    for (std::uint64_t count = 0; count <= size; ++count) {
        if (demuxer->ReadPacket(*packet) < 0) {
            break;
        }
        if (!run) {
            decoder = OpenStreamDecoder(demuxer->Stream(), MpegCodecFor(*packet));
            if (!decoder) {
                return false;
            }
            run.emplace(*decoder, sink);
            if (!run->Ready()) {
                return false;
            }
        }
        const bool fed = run->Feed(packet.get());
        av_packet_unref(packet.get());
        if (!fed) {
            return false;
        }
    }
    return !run || run->Feed(nullptr);
}

bool DecodeBlocks(ByteSource& source, const FormatArea& format, const DecoderChoice& choice,
                  S16Sink& sink) {
    CodecContextPtr decoder = OpenBlockDecoder(format, choice);
    PacketPtr packet(av_packet_alloc());
    if (!decoder || !packet) {
        return false;
    }
    DecodeRun run(*decoder, sink);
    if (!run.Ready()) {
        return false;
    }
    std::size_t step = kPacketBytes;
    if (const std::size_t block = format.BlockAlign(); block > 1) {
        step = std::max(step, block) / block * block;
    }
    const std::uint64_t total = source.Size();
    for (std::uint64_t offset = 0; offset < total; offset += step) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(step, total - offset));
        if (av_new_packet(packet.get(), static_cast<int>(size)) < 0) {
            return false;
        }
        // Short only when the medium ended early, which its owner learns itself.
        if (source.ReadAt(offset, std::span(packet->data, size)) != size) {
            av_packet_unref(packet.get());
            break;
        }
        const bool fed = run.Feed(packet.get());
        av_packet_unref(packet.get());
        if (!fed) {
            return false;
        }
    }
    return run.Feed(nullptr);
}

}  // namespace

FfmpegCodecStream::FfmpegCodecStream(const FormatArea& source, const FormatArea& destination,
                                     const DecoderChoice& choice)
    : m_source(source),
      m_channels(destination.Channels()),
      m_sampleRate(static_cast<int>(destination.SamplesPerSec())),
      m_choice(choice) {}

bool FfmpegCodecStream::SuggestPcmFormat(const FormatArea& source, FormatArea& destination) {
    SilenceFfmpeg();
    if (!IsUsableSource(source) || !ChooseDecoder(source)) {
        return false;
    }
    const std::uint64_t frameBytes = std::uint64_t{source.Channels()} * 2;
    const std::uint64_t bytesPerSecond = frameBytes * source.SamplesPerSec();
    if (frameBytes > UINT16_MAX || bytesPerSecond > UINT32_MAX) {
        return false;
    }
    destination.SetFormatTag(wave_format_tag::kPcm);
    destination.SetChannels(source.Channels());
    destination.SetSamplesPerSec(source.SamplesPerSec());
    destination.SetAvgBytesPerSec(static_cast<std::uint32_t>(bytesPerSecond));
    destination.SetBlockAlign(static_cast<std::uint16_t>(frameBytes));
    destination.SetBitsPerSample(kPcmBits);
    destination.SetCbSize(0);
    return true;
}

std::unique_ptr<CodecStream> FfmpegCodecStream::Open(const FormatArea& source,
                                                     const FormatArea& destination) {
    SilenceFfmpeg();
    if (!IsUsableSource(source) || !IsUsableDestination(destination)) {
        return nullptr;
    }
    const std::optional<DecoderChoice> choice = ChooseDecoder(source);
    if (!choice) {
        return nullptr;
    }
    // MPEG audio describes itself frame by frame; its decoder is made from what
    // the demuxer finds. Any other decoder must take the record as it stands.
    if (!choice->mpegAudio && !OpenBlockDecoder(source, *choice)) {
        return nullptr;
    }
    // The resampler must take the source's channel count and rate to the
    // destination's.
    {
        AVChannelLayout in{};
        AVChannelLayout out{};
        av_channel_layout_default(&in, source.Channels());
        av_channel_layout_default(&out, destination.Channels());
        SwrContext* raw = nullptr;
        const bool made =
            swr_alloc_set_opts2(
                &raw, &out, AV_SAMPLE_FMT_S16, static_cast<int>(destination.SamplesPerSec()), &in,
                AV_SAMPLE_FMT_S16, static_cast<int>(source.SamplesPerSec()), 0, nullptr) >= 0;
        ResamplerPtr resampler(raw);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (!made || swr_init(resampler.get()) < 0) {
            return nullptr;
        }
    }

    return std::unique_ptr<CodecStream>(new FfmpegCodecStream(source, destination, *choice));
}

std::optional<std::uint32_t> FfmpegCodecStream::Convert(ByteSource& source, const BlockSink& sink) {
    S16Sink s16(m_channels, m_sampleRate, kMaxOutputBytes, sink);
    const bool ran = m_choice.mpegAudio ? DecodeMpeg(source, s16)
                                        : DecodeBlocks(source, m_source, m_choice, s16);
    if (!ran || !s16.Finish()) {
        return std::nullopt;
    }
    // Data that holds something but yields no sound is not a recording.
    if (s16.Written() == 0 && source.Size() != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(s16.Written());
}
