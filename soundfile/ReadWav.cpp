// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstring>
#include <limits>

#include "LittleEndian.h"
#include "SoundFile.h"

namespace {

bool ReadHeader(CStdioFile& file, RiffChunkHeader& header) {
    std::uint8_t bytes[8];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes) {
        return false;
    }
    std::memcpy(header.id, bytes, 4);
    header.size = LittleEndian32(bytes + 4);
    return true;
}

// RIFF writers follow an odd-sized body with one zero byte. A chunk id never
// starts with a zero byte, so a zero there is the pad; anything else is the
// next header of a file written without pads, and is left for the next read.
void SkipPadByte(CStdioFile& file, std::uint32_t bodySize) {
    if (bodySize % 2 == 0) {
        return;
    }
    const std::uint64_t position = file.GetPosition();
    std::uint8_t pad = 0xFF;
    if (file.Read(&pad, 1) == 1 && pad != 0) {
        file.Seek(position);
    }
}

}  // namespace

bool CSoundFile::FindChunk(CStdioFile& file, const char (&id)[5], RiffChunkHeader& header) {
    const std::uint64_t length = file.GetLength();
    if (!ReadHeader(file, header)) {
        return false;
    }
    while (std::memcmp(header.id, id, 4) != 0) {
        // A seek lands where byte-wise skipping would, without touching the
        // body; a body that runs past the end ends the walk as a short read would.
        const std::uint64_t bodyEnd = file.GetPosition() + header.size;
        if (bodyEnd > length) {
            return false;
        }
        file.Seek(bodyEnd);
        SkipPadByte(file, header.size);
        if (!ReadHeader(file, header)) {
            return false;
        }
    }
    return true;
}

LoadResult CSoundFile::ReadWav(CStdioFile& file) {
    using enum LoadResult;
    RiffChunkHeader header;
    if (!FindChunk(file, "RIFF", header)) {
        return kNoRiff;
    }
    if (file.Read(header.id, 4) != 4 || std::memcmp(header.id, "WAVE", 4) != 0) {
        return kNotWave;
    }
    // Below 16 bytes the base fields that every later step reads are missing.
    if (!FindChunk(file, "fmt ", header) || header.size < 16 || header.size > FormatArea::kSize) {
        return kNoFormat;
    }
    // Cleared first, so that a short fmt body leaves no trace of the previous file.
    m_format.bytes.fill(0);
    if (file.Read(m_format.bytes.data(), header.size) != header.size) {
        return kNotWave;
    }
    SkipPadByte(file, header.size);
    if (!FindChunk(file, "data", header) || header.size == 0) {
        return kNoData;
    }
    // Refused here, before anything is allocated for it.
    const std::uint64_t dataStart = file.GetPosition();
    const std::uint64_t length = file.GetLength();
    if (header.size > (length > dataStart ? length - dataStart : 0)) {
        return kNoData;
    }
    m_dataLength = header.size;
    const double frames = static_cast<double>(m_dataLength) *
                          static_cast<double>(m_format.SamplesPerSec()) /
                          static_cast<double>(m_format.AvgBytesPerSec());
    // A byte rate of 0 yields infinity or NaN: no samples. A count past the
    // int32 range is cut; the mix-down cuts it again to what the data holds.
    constexpr double kMaxCount = std::numeric_limits<std::int32_t>::max();
    if (m_format.AvgBytesPerSec() == 0 || !(frames >= 0.0)) {
        m_sampleCount = 0;
    } else if (frames >= kMaxCount) {
        m_sampleCount = std::numeric_limits<std::int32_t>::max();
    } else {
        m_sampleCount = static_cast<std::int32_t>(std::trunc(frames));
    }
    return kOk;
}
