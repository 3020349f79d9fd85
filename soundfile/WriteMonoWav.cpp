// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteMonoWav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr std::size_t kHeaderSize = 44;
// The largest data chunk a RIFF size field can describe beside the header.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderSize - 8);

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void PutId(std::vector<std::uint8_t>& bytes, const char (&id)[5]) {
    bytes.insert(bytes.end(), id, id + 4);
}

std::vector<std::uint8_t> WavBytes(std::span<const std::int16_t> samples, std::uint32_t rate) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kHeaderSize + dataBytes);
    PutId(bytes, "RIFF");
    PutLe(bytes, dataBytes + kHeaderSize - 8, 4);
    PutId(bytes, "WAVE");
    PutId(bytes, "fmt ");
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);  // PCM
    PutLe(bytes, 1, 2);  // mono
    PutLe(bytes, rate, 4);
    PutLe(bytes, rate * 2, 4);  // bytes per second
    PutLe(bytes, 2, 2);         // block align
    PutLe(bytes, 16, 2);        // bits per sample
    PutId(bytes, "data");
    PutLe(bytes, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        PutLe(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR) {
            return false;
        }
        done += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    return true;
}

std::string Failure(const std::string& path, int error) {
    return "The take could not be saved as " + path + ": " + std::strerror(error);
}

// The rename is on the disk only once the folder is flushed too; a folder that
// cannot be opened for that leaves the take saved as far as this system can.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string WriteMonoWav(const std::string& path, std::span<const std::int16_t> samples,
                         std::uint32_t samplesPerSec) {
    if (samples.size() * 2 > kMaxDataBytes) {
        return Failure(path, EFBIG);
    }
    const std::filesystem::path target(path);
    const std::string folder = target.parent_path().empty() ? "." : target.parent_path().string();
    std::string temporary = folder + "/." + target.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return Failure(path, errno);
    }
    const bool written = ::fchmod(fd, 0644) == 0 &&
                         WriteAll(fd, WavBytes(samples, samplesPerSec)) && ::fsync(fd) == 0;
    const int error = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.c_str());
        return Failure(path, written ? errno : error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return Failure(path, renameError);
    }
    SyncFolder(folder);
    return {};
}
