// SPDX-License-Identifier: GPL-3.0-or-later
#include "StdioFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool CStdioFile::Open(const std::string& path) {
    Close();
    // Only a regular file is read. A FIFO, a device or a socket would block the
    // window thread in open() or read() (or do something on opening), so the
    // path is looked at before it is opened; the descriptor is looked at again
    // after, since the path may have been replaced in between. O_NONBLOCK keeps
    // that open from waiting for a FIFO's writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags != -1 &&
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        f = ::fdopen(fd, "rb");
    }
    if (f == nullptr) {
        ::close(fd);
        return false;
    }
    m_file.reset(f);
    m_path = path;
    return true;
}

std::size_t CStdioFile::Read(void* buffer, std::size_t count) {
    if (m_file == nullptr) {
        throw CFileException("read from a file that is not open");
    }
    const std::size_t got = std::fread(buffer, 1, count, m_file.get());
    if (got < count && std::ferror(m_file.get())) {
        const int error = errno;
        std::clearerr(m_file.get());
        throw CFileException("cannot read " + m_path + ": " + std::strerror(error));
    }
    return got;
}

std::uint64_t CStdioFile::Seek(std::uint64_t offset) {
    if (m_file == nullptr) {
        return 0;
    }
    if (fseeko(m_file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        return static_cast<std::uint64_t>(ftello(m_file.get()));
    }
    return offset;
}

std::uint64_t CStdioFile::GetPosition() const {
    if (m_file == nullptr) {
        return 0;
    }
    const off_t position = ftello(m_file.get());
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

std::uint64_t CStdioFile::GetLength() const {
    struct stat st {};
    if (m_file == nullptr || fstat(fileno(m_file.get()), &st) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

void CStdioFile::Close() {
    m_file.reset();
    m_path.clear();
}
