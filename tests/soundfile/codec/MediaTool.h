#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Makes test recordings with the ffmpeg command-line tool in a private temporary
// directory, and decodes them with it as the reference to compare against.
// The directory and everything in it go away with the object.
class MediaTool {
  public:
    static constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";

    MediaTool();
    ~MediaTool();
    MediaTool(const MediaTool&) = delete;
    MediaTool& operator=(const MediaTool&) = delete;

    static bool Available();

    // Runs ffmpeg with the arguments, writing the file `name` in the directory;
    // its bytes, or nothing when ffmpeg fails.
    std::optional<std::vector<std::uint8_t>> Make(const std::string& name,
                                                  const std::vector<std::string>& args);
    std::filesystem::path PathOf(const std::string& name) const { return m_dir / name; }
    // Writes bytes as the file `name`, e.g. to hand a spliced file to Reference().
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes);
    // ffmpeg's own decode of the file to interleaved s16le at the channels and rate.
    std::optional<std::vector<std::uint8_t>> Reference(const std::string& name, int channels,
                                                       int rate);

  private:
    std::filesystem::path m_dir;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
