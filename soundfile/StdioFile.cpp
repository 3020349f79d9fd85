#include "StdioFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

bool CStdioFile::Open(const std::string& path) {
    Close();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
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
