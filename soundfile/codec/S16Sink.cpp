// SPDX-License-Identifier: GPL-3.0-or-later
#include "S16Sink.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace {

// A resampler hands out what it holds in a few calls at most; the bound only
// guards against a call that keeps reporting output.
constexpr int kMaxDrainCalls = 1024;

// Owns an AVChannelLayout for the length of one function.
struct ScopedLayout {
    AVChannelLayout layout{};
    ScopedLayout() = default;
    ScopedLayout(const ScopedLayout&) = delete;
    ScopedLayout& operator=(const ScopedLayout&) = delete;
    ~ScopedLayout() { av_channel_layout_uninit(&layout); }
};

}  // namespace

S16Sink::S16Sink(int channels, int sampleRate, std::size_t maxBytes, const Consumer& consumer)
    : m_channels(channels), m_sampleRate(sampleRate), m_maxBytes(maxBytes), m_consumer(consumer) {}

S16Sink::~S16Sink() {
    av_channel_layout_uninit(&m_inLayout);
}

bool S16Sink::Push(const AVFrame& frame) {
    if (frame.nb_samples <= 0) {
        return true;
    }
    const bool same = m_resampler && frame.sample_rate == m_inRate && frame.format == m_inFormat &&
                      av_channel_layout_compare(&frame.ch_layout, &m_inLayout) == 0;
    if (!same && !Reconfigure(frame)) {
        return false;
    }
    return Convert(const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
}

bool S16Sink::Finish() {
    return !m_resampler || Drain();
}

bool S16Sink::Reconfigure(const AVFrame& frame) {
    if (m_resampler && !Drain()) {
        return false;
    }
    m_resampler.reset();
    av_channel_layout_uninit(&m_inLayout);
    if (av_channel_layout_copy(&m_inLayout, &frame.ch_layout) < 0) {
        return false;
    }
    m_inRate = frame.sample_rate;
    m_inFormat = frame.format;

    // Decoders of RIFF formats often only know a channel count; give such input
    // the usual layout for that count so that a mix to another count is defined.
    ScopedLayout in;
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&in.layout, frame.ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&in.layout, &frame.ch_layout) < 0) {
        return false;
    }
    // With as many channels out as in, every channel passes through unmixed.
    ScopedLayout out;
    if (in.layout.nb_channels == m_channels) {
        if (av_channel_layout_copy(&out.layout, &in.layout) < 0) {
            return false;
        }
    } else {
        av_channel_layout_default(&out.layout, m_channels);
    }

    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &out.layout, AV_SAMPLE_FMT_S16, m_sampleRate, &in.layout,
                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                            nullptr) < 0) {
        swr_free(&raw);
        return false;
    }
    m_resampler.reset(raw);
    return swr_init(m_resampler.get()) >= 0;
}

bool S16Sink::Convert(const std::uint8_t** input, int inputSamples) {
    const int room = swr_get_out_samples(m_resampler.get(), inputSamples);
    if (room < 0) {
        return false;
    }
    if (room == 0) {
        // Nothing can come out yet, but the input must still reach the delay line.
        std::uint8_t unused = 0;
        std::uint8_t* nowhere = &unused;
        return swr_convert(m_resampler.get(), &nowhere, 0, input, inputSamples) >= 0;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(m_channels) * 2;
    const std::size_t roomBytes = static_cast<std::size_t>(room) * frameBytes;
    if (roomBytes > m_maxBytes - m_written) {
        return false;
    }
    if (roomBytes > m_block.size()) {
        m_block.resize(roomBytes);
    }
    std::uint8_t* out = m_block.data();
    const int written = swr_convert(m_resampler.get(), &out, room, input, inputSamples);
    if (written < 0) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(written) * frameBytes;
    m_written += bytes;
    return bytes == 0 || m_consumer(std::span(m_block).first(bytes));
}

bool S16Sink::Drain() {
    for (int call = 0; call < kMaxDrainCalls; ++call) {
        const std::size_t before = m_written;
        if (!Convert(nullptr, 0)) {
            return false;
        }
        if (m_written == before) {
            return true;
        }
    }
    return false;
}
