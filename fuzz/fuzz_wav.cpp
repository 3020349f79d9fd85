// SPDX-License-Identifier: GPL-3.0-or-later
// ReadWav and, when it accepts the header, ConvertToMono over arbitrary bytes.
#include <cassert>

#include "MemoryFile.h"
#include "SoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemoryFile memory(data, size);
    CStdioFile file;
    if (!file.Open(memory.Path())) {
        return 0;
    }
    CSoundFile record;
    if (record.ReadWav(file) == LoadResult::kOk && record.ConvertToMono(file) == LoadResult::kOk) {
        // What the engine will play must lie inside the buffer.
        assert(record.m_sampleCount >= 0 && record.m_sampleCount <= record.m_samplesAllocated);
        record.m_loaded = true;
        volatile std::int32_t sum = 0;
        for (std::int16_t s : record.Samples()) {
            sum = sum + s;
        }
    }
    return 0;
}
