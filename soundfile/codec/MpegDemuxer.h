// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "ByteSource.h"
#include "FfmpegHandles.h"

// An MPEG audio stream read from a byte source by libavformat's MP3 demuxer,
// which skips ID3v2 tags, reads Xing/Info/LAME headers and marks the encoder's
// delay and padding for the decoder to drop. The source must outlive the
// demuxer. An exception thrown by the source's read is carried past FFmpeg's C
// code and thrown again from Open() or ReadPacket().
class MpegDemuxer {
  public:
    // Nullptr when the demuxer finds no MPEG audio stream in the bytes.
    static std::unique_ptr<MpegDemuxer> Open(ByteSource& source);
    ~MpegDemuxer();
    MpegDemuxer(const MpegDemuxer&) = delete;
    MpegDemuxer& operator=(const MpegDemuxer&) = delete;

    const AVStream& Stream() const { return *m_format->streams[m_streamIndex]; }
    // The next packet of the audio stream (attached pictures and the like are
    // passed over): 0, AVERROR_EOF at the end, or another negative error.
    int ReadPacket(AVPacket& packet);

  private:
    explicit MpegDemuxer(ByteSource& source);
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    // Throws what a read of the source threw, once FFmpeg has returned.
    void RethrowReadError();

    ByteSource& m_source;
    std::uint64_t m_position = 0;
    std::exception_ptr m_readError;
    // Declared before the format context: libavformat reads through it until
    // the format context is closed.
    IoContextPtr m_io;
    FormatContextPtr m_format;
    int m_streamIndex = -1;
};
