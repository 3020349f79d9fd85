// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "LoadOptions.h"
#include "LoadResult.h"
#include "SoundFile.h"

// The load behind Read Waveform, once the user has chosen a path and the output
// stream is closed: stores the path, clears the loaded flag, opens the file,
// picks the reader by the exact extension ("wav", "WAV", "mp3", "MP3"), converts
// to mono samples and closes the file. Sets the loaded flag only on success.
// The options may bound the load to the recording's start and watch (and
// cancel) the conversion; by default the whole file loads unwatched.
// Window thread (or the command line's). A read error or an allocation that
// cannot be met propagates as an exception (CFileException, std::bad_alloc)
// with the loaded flag clear.
LoadResult LoadSoundFile(CSoundFile& record, const std::string& path,
                         const LoadOptions& options = {});
