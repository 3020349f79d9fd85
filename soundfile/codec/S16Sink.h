#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FfmpegHandles.h"

// Collects decoded frames as interleaved signed 16-bit PCM at one fixed channel
// count and rate. The resampler follows the decoder: when a frame arrives with
// another rate, channel layout or sample format (concatenated MP3 files do
// that), what the old resampler still holds is flushed and a new one is made.
class S16Sink {
  public:
    // maxBytes bounds the output so that no input can make it grow without end.
    S16Sink(int channels, int sampleRate, std::size_t maxBytes);
    ~S16Sink();
    S16Sink(const S16Sink&) = delete;
    S16Sink& operator=(const S16Sink&) = delete;

    // False when the frame cannot be converted or the output would pass the
    // bound; the conversion as a whole has then failed.
    bool Push(const AVFrame& frame);
    // Flushes the resampler's delay line; false as for Push().
    bool Finish();

    std::vector<std::uint8_t>& Output() { return m_output; }

  private:
    bool Reconfigure(const AVFrame& frame);
    bool Convert(const std::uint8_t** input, int inputSamples);
    bool Drain();

    int m_channels;
    int m_sampleRate;
    std::size_t m_maxBytes;
    ResamplerPtr m_resampler;
    // What the current resampler was made for.
    AVChannelLayout m_inLayout{};
    int m_inRate = 0;
    int m_inFormat = AV_SAMPLE_FMT_NONE;
    std::vector<std::uint8_t> m_output;
};
