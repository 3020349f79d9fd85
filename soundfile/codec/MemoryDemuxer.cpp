#include "MemoryDemuxer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kIoBufferBytes = 4096;

}  // namespace

MemoryDemuxer::MemoryDemuxer(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

MemoryDemuxer::~MemoryDemuxer() = default;

std::unique_ptr<MemoryDemuxer> MemoryDemuxer::Open(std::span<const std::uint8_t> bytes) {
    std::unique_ptr<MemoryDemuxer> demuxer(new MemoryDemuxer(bytes));

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) {
        return nullptr;
    }
    demuxer->m_io.reset(avio_alloc_context(buffer, kIoBufferBytes, 0, demuxer.get(),
                                           &MemoryDemuxer::Read, nullptr, &MemoryDemuxer::Seek));
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
    if (avformat_open_input(&format, nullptr, av_find_input_format("mp3"), nullptr) < 0) {
        return nullptr;
    }
    demuxer->m_format.reset(format);

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

int MemoryDemuxer::ReadPacket(AVPacket& packet) {
    // Every packet takes bytes off the input, so the number of packets that
    // are not ours is bounded by its size.
    for (std::size_t skipped = 0; skipped <= m_bytes.size(); ++skipped) {
        const int result = av_read_frame(m_format.get(), &packet);
        if (result < 0 || packet.stream_index == m_streamIndex) {
            return result;
        }
        av_packet_unref(&packet);
    }
    return AVERROR_INVALIDDATA;
}

int MemoryDemuxer::Read(void* opaque, std::uint8_t* buffer, int size) {
    auto& self = *static_cast<MemoryDemuxer*>(opaque);
    const std::size_t left = self.m_bytes.size() - self.m_position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
    if (count == 0) {
        return AVERROR_EOF;
    }
    std::memcpy(buffer, self.m_bytes.data() + self.m_position, count);
    self.m_position += count;
    return static_cast<int>(count);
}

std::int64_t MemoryDemuxer::Seek(void* opaque, std::int64_t offset, int whence) {
    auto& self = *static_cast<MemoryDemuxer*>(opaque);
    const auto size = static_cast<std::int64_t>(self.m_bytes.size());
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
    self.m_position = static_cast<std::size_t>(target);
    return target;
}
