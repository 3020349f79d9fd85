#include "WavParts.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::optional<WavParts> SplitWav(const std::vector<std::uint8_t>& file) {
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WavParts parts;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint8_t* chunk = file.data() + at;
        const std::size_t size = Le32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t available = std::min(size, file.size() - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > FormatArea::kSize || available != size) {
                return std::nullopt;
            }
            std::copy_n(file.data() + body, size, parts.format.bytes.begin());
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            parts.data.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                              file.begin() + static_cast<std::ptrdiff_t>(body + available));
            return haveFormat ? std::optional(std::move(parts)) : std::nullopt;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}
