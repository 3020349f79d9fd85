#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}
inline void AppendU16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// One RIFF chunk: header, body and, when asked, the pad byte after an odd body.
inline Bytes Chunk(std::string_view id, const Bytes& body, bool pad = true) {
    Bytes out;
    Append(out, id);
    AppendU32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

// A chunk whose size field says something other than its body's length.
inline Bytes ChunkWithSize(std::string_view id, std::uint32_t size, const Bytes& body) {
    Bytes out;
    Append(out, id);
    AppendU32(out, size);
    out.insert(out.end(), body.begin(), body.end());
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

// The fmt body, 16 bytes, or 18 and more with cbSize and extra bytes.
inline Bytes FmtBody(const FmtFields& f, int cbSize = -1, std::size_t extra = 0) {
    Bytes out;
    AppendU16(out, f.tag);
    AppendU16(out, f.channels);
    AppendU32(out, f.rate);
    AppendU32(out, f.byteRate);
    AppendU16(out, f.blockAlign);
    AppendU16(out, f.bits);
    if (cbSize >= 0) {
        AppendU16(out, static_cast<std::uint32_t>(cbSize));
        out.insert(out.end(), extra, 0x5A);
    }
    return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// "RIFF" size "WAVE" followed by the given chunks; the RIFF size is right.
inline Bytes Wave(const Bytes& chunks) {
    Bytes out;
    Append(out, "RIFF");
    AppendU32(out, static_cast<std::uint32_t>(4 + chunks.size()));
    Append(out, "WAVE");
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

inline Bytes PcmWave(const FmtFields& f, const Bytes& data) {
    return Wave(Concat({Chunk("fmt ", FmtBody(f)), Chunk("data", data)}));
}

// Little-endian 16-bit values.
template <typename Values = std::initializer_list<int>>
inline Bytes S16(const Values& values) {
    Bytes out;
    for (const auto v : values) {
        AppendU16(out, static_cast<std::uint16_t>(v));
    }
    return out;
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
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veltane-sf-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::filesystem::path path = m_path / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};
