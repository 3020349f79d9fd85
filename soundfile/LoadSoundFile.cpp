// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoadSoundFile.h"

#include "StdioFile.h"

LoadResult LoadSoundFile(CSoundFile& record, const std::string& path, const LoadOptions& options) {
    record.m_path = path;
    record.m_loaded = false;

    CStdioFile file;
    if (!file.Open(path)) {
        return LoadResult::kOpenFailed;
    }
    // Compared exactly: "Wav" or "Mp3" are refused.
    const std::string extension = record.GetExtension();
    LoadResult result = LoadResult::kBadExtension;
    if (extension == "wav" || extension == "WAV") {
        result = record.ReadWav(file);
    } else if (extension == "mp3" || extension == "MP3") {
        result = record.ReadMp3Header(file);
    }
    if (result == LoadResult::kOk) {
        result = record.ConvertToMono(file, options);
    }
    if (result == LoadResult::kOk) {
        record.m_loaded = true;
    }
    file.Close();
    return result;
}
