// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "FfmpegHandles.h"

// Turns decoded frames into interleaved signed 16-bit PCM at one fixed channel
// count and rate, handed on a block at a time as it comes; nothing is kept. The resampler follows
// the decoder: when a frame arrives with another rate, channel layout or sample format
// (concatenated MP3 files do that), what the old resampler still holds is flushed and a new one is
// made.
class S16Sink {
  public:
    // Takes one block of whole frames; false ends the conversion as failed.
    using Consumer = std::function<bool(std::span<const std::uint8_t>)>;

    // maxBytes bounds the output so that no input can make it grow without end.
    // The consumer must outlive the sink.
    S16Sink(int channels, int sampleRate, std::size_t maxBytes, const Consumer& consumer);
    ~S16Sink();
    S16Sink(const S16Sink&) = delete;
    S16Sink& operator=(const S16Sink&) = delete;

    // False when the frame cannot be converted, the output would pass the bound
    // or the consumer refused it; the conversion as a whole has then failed.
    bool Push(const AVFrame& frame);
    // Flushes the resampler's delay line; false as for Push().
    bool Finish();

    // The bytes handed to the consumer so far.
    std::size_t Written() const { return m_written; }

  private:
    bool Reconfigure(const AVFrame& frame);
    bool Convert(const std::uint8_t** input, int inputSamples);
    bool Drain();

    int m_channels;
    int m_sampleRate;
    std::size_t m_maxBytes;
    const Consumer& m_consumer;
    ResamplerPtr m_resampler;
    // What the current resampler was made for.
    AVChannelLayout m_inLayout{};
    int m_inRate = 0;
    int m_inFormat = AV_SAMPLE_FMT_NONE;
    std::size_t m_written = 0;
    // One block of output, reused: a few decoded frames' worth.
    std::vector<std::uint8_t> m_block;
};
