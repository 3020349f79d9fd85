// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "FormatArea.h"
#include "LoadOptions.h"
#include "LoadResult.h"
#include "StdioFile.h"

class MonoCollector;

// An 8-byte RIFF chunk header as it stands in the file.
struct RiffChunkHeader {
    char id[4] = {};
    std::uint32_t size = 0;  // body bytes, the header's own 8 not counted
};

// Owner of a sample buffer from std::malloc()/std::realloc(): a long recording's
// buffer grows and is trimmed in place, never copied.
struct SampleBufferFree {
    void operator()(std::int16_t* samples) const { std::free(samples); }
};

// The one loaded recording. Written only on the window thread while the output
// stream is closed; the tone engine reads Samples() while the stream runs.
class CSoundFile {
  public:
    CSoundFile() = default;
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Replaces the sample buffer by one with room for count samples (none for a
    // count of 0 or less). The new contents are undefined; the sample count
    // field is not changed. Throws std::bad_alloc when the memory is not there.
    void AllocSamples(std::int32_t count);
    // The path after its last '/'; the whole path when it has none.
    std::string GetFileName() const;
    // The file name after its last '.'; "" when the file name has none.
    std::string GetExtension() const;
    // Copies the 18-byte base, not the extra bytes behind it.
    static void CopyFormat(const FormatArea& source, FormatArea& destination);

    bool FindChunk(CStdioFile& file, const char (&id)[5], RiffChunkHeader& header);
    LoadResult ReadWav(CStdioFile& file);
    LoadResult ReadMp3Header(CStdioFile& file);
    // From the data's start, where ReadWav() or ReadMp3Header() left the file,
    // to mono signed 16-bit samples at the file's rate: as much as the options
    // keep, telling their observer how far it has come.
    LoadResult ConvertToMono(CStdioFile& file, const LoadOptions& options = {});

    // The samples that may be played: empty unless the last load succeeded.
    std::span<const std::int16_t> Samples() const;

    FormatArea m_format;
    std::uint32_t m_dataLength = 0;
    std::string m_path;
    std::int32_t m_sampleCount = 0;
    std::unique_ptr<std::int16_t[], SampleBufferFree> m_samples;
    std::int32_t m_samplesAllocated = 0;  // room in m_samples, in samples
    // The largest magnitude of Samples(), noted as they were mixed down.
    std::int32_t m_peakMagnitude = 0;
    bool m_loaded = false;

  private:
    LoadResult ConvertPcm(CStdioFile& file, const LoadOptions& options);
    LoadResult ConvertCoded(CStdioFile& file, std::uint64_t position, const LoadOptions& options);
    LoadResult KeepDecoded(const FormatArea& decoded, std::optional<std::uint32_t> written,
                           MonoCollector& mono);
    void SetMono16Format();
};

extern CSoundFile theSoundFile;
