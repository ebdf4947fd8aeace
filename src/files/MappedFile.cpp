// The read-only file mapping: open, check that the path is a regular file, map, close the
// descriptor (the mapping keeps the pages reachable).
#include "files/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "model/DecimalText.h"

TMappedFile::TMappedFile(const std::string& fileName) {
    const std::string shown = inQuotes(fileName);
    const auto fail = [&](const std::string& reason) {
        return EMappedFileError("Cannot read " + shown + ": " + reason + ".");
    };
    // Without waiting: a pipe that no program writes to would block the open itself.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw fail(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw fail(std::strerror(error));
    }
    // A device or a pipe may never end; a folder has no bytes to map.
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw fail(S_ISDIR(status.st_mode) ? "it is a folder" : "it is not a regular file");
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size > 0) {
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            const int error = errno;
            ::close(fd);
            throw fail(std::strerror(error));
        }
        m_data = data;
        m_size = size;
        ::madvise(m_data, m_size, MADV_SEQUENTIAL);
    }
    ::close(fd);
}

TMappedFile::~TMappedFile() {
    if (m_data) ::munmap(m_data, m_size);
}

TMappedFile::TMappedFile(TMappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

TMappedFile& TMappedFile::operator=(TMappedFile&& other) noexcept {
    if (this != &other) {
        if (m_data) ::munmap(m_data, m_size);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}
