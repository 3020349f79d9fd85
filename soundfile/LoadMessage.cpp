// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoadMessage.h"

const char* LoadMessage(LoadResult result) {
    using enum LoadResult;
    switch (result) {
        case kOk:
            return nullptr;
        case kBadExtension:
        case kNotWave:
        case kNoRiff:
        case kNoFormat:
            return "Not a valid .wav file!";
        case kNoData:
            return "No data in file!";
        case kUnsupportedFormat:
            return "Format not supported!";
        case kConversionFailed:
            return "Error during conversion!";
        case kNoCodec:
            return "Conversion not possible!";
        case kNotMp3:
            return "Not a valid mp3 file!";
        case kOpenFailed:
            return "Failed to open file!";
    }
    // Only a number cast from outside the list gets here.
    return "Bad file!";
}
