// SPDX-License-Identifier: GPL-3.0-or-later
// ConvertToMono fed directly: a 56-byte format area, a 4-byte little-endian
// sample count as a header reader would have left it, then the sound data.
#include <cassert>
#include <cstring>

#include "MemoryFile.h"
#include "SoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHead = FormatArea::kSize + 4;
    if (size < kHead) {
        return 0;
    }
    CSoundFile record;
    std::memcpy(record.m_format.bytes.data(), data, FormatArea::kSize);
    std::uint32_t count = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        count |= static_cast<std::uint32_t>(data[FormatArea::kSize + i]) << (8 * i);
    }
    record.m_sampleCount = static_cast<std::int32_t>(count);
    record.m_dataLength = static_cast<std::uint32_t>(size - kHead);

    const MemoryFile memory(data + kHead, size - kHead);
    CStdioFile file;
    if (!file.Open(memory.Path())) {
        return 0;
    }
    if (record.ConvertToMono(file) == LoadResult::kOk) {
        assert(record.m_sampleCount >= 0 && record.m_sampleCount <= record.m_samplesAllocated);
        assert(record.m_format.Channels() == 1 && record.m_format.BitsPerSample() == 16);
    }
    return 0;
}
