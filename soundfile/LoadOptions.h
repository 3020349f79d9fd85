// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

// Told how far a conversion has come, in bytes of the file's sound data done
// and in all (the part that is read, for a bounded load of PCM). Called on the
// loading thread; returning false cancels the load.
using LoadProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// How much of a recording a load keeps, and who watches it convert. The
// default loads the whole recording, unwatched.
struct LoadOptions {
    // Only the first this many seconds are kept (0 keeps all). PCM past them is
    // not read; coded sound stops decoding there, so that damage further on
    // goes unseen.
    double maxSeconds = 0;
    // Called about every MiB of the data and once when all of it is done. A
    // cancel fails the load with LoadResult::kNoCodec, leaving the record
    // unloaded as any failed load does.
    LoadProgress progress = nullptr;
};
