// SPDX-License-Identifier: GPL-3.0-or-later
#include "DecodeRun.h"

namespace {

// A decoder gives a handful of frames per packet; the bound only stops one
// that would go on reporting frames.
constexpr int kMaxFramesPerPacket = 1 << 16;

}  // namespace

DecodeRun::DecodeRun(AVCodecContext& decoder, S16Sink& sink)
    : m_decoder(decoder), m_sink(sink), m_frame(av_frame_alloc()) {}

bool DecodeRun::Feed(const AVPacket* packet) {
    int sent = avcodec_send_packet(&m_decoder, packet);
    if (sent == AVERROR(EAGAIN)) {
        if (!Receive()) {
            return false;
        }
        sent = avcodec_send_packet(&m_decoder, packet);
    }
    if (sent < 0 && sent != AVERROR_EOF) {
        return true;  // this packet is lost; the next may decode
    }
    return Receive();
}

bool DecodeRun::Receive() {
    for (int count = 0; count < kMaxFramesPerPacket; ++count) {
        const int received = avcodec_receive_frame(&m_decoder, m_frame.get());
        if (received < 0) {
            return true;  // wants more input, is done, or lost this packet
        }
        const bool pushed = m_sink.Push(*m_frame);
        av_frame_unref(m_frame.get());
        if (!pushed) {
            return false;
        }
    }
    return true;
}
