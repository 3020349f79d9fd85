// SPDX-License-Identifier: GPL-3.0-or-later
#include "MpegDemuxer.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <utility>

namespace {

// As large as FFmpeg's own file reader uses, so that a long file takes few reads.
constexpr int kIoBufferBytes = 32768;

}  // namespace

MpegDemuxer::MpegDemuxer(ByteSource& source) : m_source(source) {}

MpegDemuxer::~MpegDemuxer() = default;

std::unique_ptr<MpegDemuxer> MpegDemuxer::Open(ByteSource& source) {
    std::unique_ptr<MpegDemuxer> demuxer(new MpegDemuxer(source));

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) {
        return nullptr;
    }
    demuxer->m_io.reset(avio_alloc_context(buffer, kIoBufferBytes, 0, demuxer.get(),
                                           &MpegDemuxer::Read, nullptr, &MpegDemuxer::Seek));
    if (!demuxer->m_io) {
        av_free(buffer);
        return nullptr;
    }

    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) {
        return nullptr;
    }
    format->pb = demuxer->m_io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure avformat_open_input() frees the context it was given.
    const int opened = avformat_open_input(&format, nullptr, av_find_input_format("mp3"), nullptr);
    if (opened >= 0) {
        demuxer->m_format.reset(format);
    }
    demuxer->RethrowReadError();
    if (opened < 0) {
        return nullptr;
    }

    // Without a probe of the stream's first frames (which would decode them)
    // av_find_best_stream() passes the audio stream over; take the first one.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            demuxer->m_streamIndex = static_cast<int>(i);
            return demuxer;
        }
    }
    return nullptr;
}

int MpegDemuxer::ReadPacket(AVPacket& packet) {
    // Every packet takes bytes off the input, so the number of packets that
    // are not ours is bounded by its size.
    const std::uint64_t size = m_source.Size();
    for (std::uint64_t skipped = 0; skipped <= size; ++skipped) {
        const int result = av_read_frame(m_format.get(), &packet);
        RethrowReadError();
        if (result < 0 || packet.stream_index == m_streamIndex) {
            return result;
        }
        av_packet_unref(&packet);
    }
    return AVERROR_INVALIDDATA;
}

void MpegDemuxer::RethrowReadError() {
    if (m_readError) {
        std::rethrow_exception(std::exchange(m_readError, nullptr));
    }
}

// Called from inside libavformat, whose C frames an exception must not cross:
// one thrown by the source is kept here and thrown again once FFmpeg returns.
int MpegDemuxer::Read(void* opaque, std::uint8_t* buffer, int size) {
    auto& self = *static_cast<MpegDemuxer*>(opaque);
    if (self.m_readError) {
        return AVERROR(EIO);
    }
    const std::uint64_t total = self.m_source.Size();
    const std::uint64_t left = total > self.m_position ? total - self.m_position : 0;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(left, static_cast<std::uint64_t>(std::max(size, 0))));
    if (count == 0) {
        return AVERROR_EOF;
    }
    std::size_t got = 0;
    try {
        got = self.m_source.ReadAt(self.m_position, std::span(buffer, count));
    } catch (...) {
        self.m_readError = std::current_exception();
        return AVERROR(EIO);
    }
    if (got == 0) {
        return AVERROR_EOF;
    }
    self.m_position += got;
    return static_cast<int>(got);
}

std::int64_t MpegDemuxer::Seek(void* opaque, std::int64_t offset, int whence) {
    auto& self = *static_cast<MpegDemuxer*>(opaque);
    const auto size = static_cast<std::int64_t>(self.m_source.Size());
    // Offsets this large lead outside the bytes anyway; refusing them first keeps
    // the sums below from overflowing.
    if (offset > size || offset < -size) {
        return (whence & ~AVSEEK_FORCE) == AVSEEK_SIZE ? size : AVERROR(EINVAL);
    }
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = static_cast<std::int64_t>(self.m_position) + offset;
            break;
        case SEEK_END:
            target = size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0 || target > size) {
        return AVERROR(EINVAL);
    }
    self.m_position = static_cast<std::uint64_t>(target);
    return target;
}
