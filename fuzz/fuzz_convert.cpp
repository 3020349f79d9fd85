// SPDX-License-Identifier: GPL-3.0-or-later
// ConvertToMono fed directly: a 56-byte format area, a 4-byte little-endian
// sample count as a header reader would have left it, then the sound data.
// Converted whole and again bounded to a few milliseconds (how many the first
// data byte says): the bounded samples must be the whole ones' start.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#include "MemoryFile.h"
#include "SoundFile.h"

namespace {

constexpr std::size_t kHead = FormatArea::kSize + 4;

// The samples of a successful conversion; none after a failed one.
std::vector<std::int16_t> Convert(const std::uint8_t* data, std::size_t size,
                                  const LoadOptions& options) {
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
    if (!file.Open(memory.Path()) || record.ConvertToMono(file, options) != LoadResult::kOk) {
        return {};
    }
    assert(record.m_sampleCount >= 0 && record.m_sampleCount <= record.m_samplesAllocated);
    assert(record.m_format.Channels() == 1 && record.m_format.BitsPerSample() == 16);
    return {record.m_samples.get(), record.m_samples.get() + record.m_sampleCount};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHead) {
        return 0;
    }
    const std::vector<std::int16_t> whole = Convert(data, size, {});
    const int first = size > kHead ? data[kHead] : 0;
    const std::vector<std::int16_t> start =
        Convert(data, size, {.maxSeconds = 0.001 * (1 + first)});
    if (!whole.empty()) {
        assert(!start.empty() && start.size() <= whole.size() &&
               std::equal(start.begin(), start.end(), whole.begin()));
    }
    return 0;
}
