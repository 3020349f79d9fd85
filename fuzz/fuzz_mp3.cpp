// SPDX-License-Identifier: GPL-3.0-or-later
// ReadMp3Header and, when it finds a frame header, ConvertToMono through the
// decoder, over arbitrary bytes.
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
    if (record.ReadMp3Header(file) == LoadResult::kOk) {
        assert(record.m_dataLength == size);
        if (record.ConvertToMono(file) == LoadResult::kOk) {
            assert(record.m_sampleCount >= 0 && record.m_sampleCount <= record.m_samplesAllocated);
        }
    }
    return 0;
}
