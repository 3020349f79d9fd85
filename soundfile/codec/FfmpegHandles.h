// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>  // UINT64_C and friends, which FFmpeg's headers need in C++
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

// Owners for the FFmpeg handles of the codec layer. Each deleter takes the
// pointer by value and hands FFmpeg the address it wants to clear.
struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FormatContextDeleter {
    // Only for contexts that avformat_open_input() has opened.
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct IoContextDeleter {
    // The I/O buffer may have been replaced by libavformat; free whichever it holds.
    void operator()(AVIOContext* p) const {
        av_freep(&p->buffer);
        avio_context_free(&p);
    }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* p) const { swr_free(&p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerDeleter>;
