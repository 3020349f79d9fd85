// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}
inline void AppendLe(Bytes& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// A RIFF chunk whose size field says `size`, followed by `body` as it is.
inline Bytes ChunkWithSize(std::string_view id, std::uint32_t size, const Bytes& body) {
    Bytes out;
    Append(out, id);
    AppendLe(out, size, 4);
    return Concat({out, body});
}

// One RIFF chunk: header, body and, when asked, the pad byte after an odd body.
inline Bytes Chunk(std::string_view id, const Bytes& body, bool pad = true) {
    Bytes out = ChunkWithSize(id, static_cast<std::uint32_t>(body.size()), body);
    if (pad && body.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

struct FmtFields {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint32_t byteRate = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bits = 16;
};

// The fmt body, 16 bytes, or 18 and more with cbSize and `extra` bytes.
inline Bytes FmtBody(const FmtFields& f, int cbSize = -1, std::size_t extra = 0) {
    Bytes out;
    AppendLe(out, f.tag, 2);
    AppendLe(out, f.channels, 2);
    AppendLe(out, f.rate, 4);
    AppendLe(out, f.byteRate, 4);
    AppendLe(out, f.blockAlign, 2);
    AppendLe(out, f.bits, 2);
    if (cbSize >= 0) {
        AppendLe(out, static_cast<std::uint32_t>(cbSize), 2);
        out.insert(out.end(), extra, 0x5A);
    }
    return out;
}

// "RIFF" size "WAVE" followed by the given chunks; the RIFF size is right.
inline Bytes Wave(const Bytes& chunks) {
    Bytes form;
    Append(form, "WAVE");
    return Chunk("RIFF", Concat({form, chunks}), false);
}

inline Bytes PcmWave(const FmtFields& f, const Bytes& data) {
    return Wave(Concat({Chunk("fmt ", FmtBody(f)), Chunk("data", data)}));
}

// Little-endian 16-bit values.
template <typename Values = std::initializer_list<int>>
inline Bytes S16(const Values& values) {
    Bytes out;
    for (const auto v : values) {
        AppendLe(out, static_cast<std::uint16_t>(v), 2);
    }
    return out;
}

// What a load notes as the samples' peak, found the slow way.
inline std::int32_t LargestMagnitude(std::span<const std::int16_t> samples) {
    std::int32_t largest = 0;
    for (const std::int16_t v : samples) {
        largest = std::max(largest, std::abs(std::int32_t{v}));
    }
    return largest;
}

// head, then `fill` up to totalSize bytes.
inline Bytes FileWith(Bytes head, std::size_t totalSize, std::uint8_t fill = 0) {
    head.resize(totalSize, fill);
    return head;
}

// A private directory for one test's files, removed with everything in it.
class TempDir {
  public:
    TempDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "veltane-XXXXXX";
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(m_path / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return m_path / name;
    }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};
