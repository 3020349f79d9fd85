#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "FfmpegHandles.h"

// An MPEG audio stream read from memory by libavformat's MP3 demuxer, which
// skips ID3v2 tags, reads Xing/Info/LAME headers and marks the encoder's delay
// and padding for the decoder to drop. The bytes must outlive the demuxer.
class MemoryDemuxer {
  public:
    // Nullptr when the demuxer finds no MPEG audio stream in the bytes.
    static std::unique_ptr<MemoryDemuxer> Open(std::span<const std::uint8_t> bytes);
    ~MemoryDemuxer();
    MemoryDemuxer(const MemoryDemuxer&) = delete;
    MemoryDemuxer& operator=(const MemoryDemuxer&) = delete;

    const AVStream& Stream() const { return *m_format->streams[m_streamIndex]; }
    // The next packet of the audio stream (attached pictures and the like are
    // passed over): 0, AVERROR_EOF at the end, or another negative error.
    int ReadPacket(AVPacket& packet);

  private:
    explicit MemoryDemuxer(std::span<const std::uint8_t> bytes);
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
    // Declared before the format context: libavformat reads through it until
    // the format context is closed.
    IoContextPtr m_io;
    FormatContextPtr m_format;
    int m_streamIndex = -1;
};
