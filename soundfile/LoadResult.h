// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The outcome of one step of loading a recording: kOk for success, otherwise the
// first failure, which ends the load. LoadMessage() turns a code into its text.
// The numbers are fixed: a code keeps its number and its message.
enum class LoadResult : std::int16_t {
    kOk = 0,
    kBadExtension = 1,
    kNotWave = 2,
    kNoData = 3,
    kNoRiff = 4,
    kNoFormat = 5,
    kUnsupportedFormat = 6,
    kConversionFailed = 7,
    kNoCodec = 8,
    kNotMp3 = 9,
    kOpenFailed = 10,
};
