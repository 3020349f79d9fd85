// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The outcome of one step of loading a recording: 0 for success, otherwise the
// first failure, which ends the load. LoadMessage() turns a code into its text.
using LoadResult = std::int16_t;

namespace load_result {
inline constexpr LoadResult kOk = 0;
inline constexpr LoadResult kBadExtension = 1;
inline constexpr LoadResult kNotWave = 2;
inline constexpr LoadResult kNoData = 3;
inline constexpr LoadResult kNoRiff = 4;
inline constexpr LoadResult kNoFormat = 5;
inline constexpr LoadResult kUnsupportedFormat = 6;
inline constexpr LoadResult kConversionFailed = 7;
inline constexpr LoadResult kNoCodec = 8;
inline constexpr LoadResult kNotMp3 = 9;
inline constexpr LoadResult kOpenFailed = 10;
}  // namespace load_result
