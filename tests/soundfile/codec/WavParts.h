#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "FormatArea.h"

// The fmt and data chunks of a RIFF WAVE file as the loader hands them to the
// codec layer: the fmt body copied into a format area, the data chunk's bytes.
struct WavParts {
    FormatArea format;
    std::vector<std::uint8_t> data;
};

// Nothing when the file has no fmt chunk of 16 to 56 bytes or no data chunk.
std::optional<WavParts> SplitWav(const std::vector<std::uint8_t>& file);
