// Opening for reading: the path's status first, then an open that does not wait, then the
// status of what was opened.
#include "files/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// Why a status that is not a regular file's cannot be read.
const char* notRegularReason(const struct stat& status) {
    return S_ISDIR(status.st_mode) ? "it is a folder" : "it is not a regular file";
}

}  // namespace

TInputFile::TInputFile(const std::string& fileName) {
    // A path whose status cannot be read is left to the open, which says why.
    struct stat status {};
    if (::stat(fileName.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw EInputFileError(notRegularReason(status));
    m_fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) throw EInputFileError(std::strerror(errno));
    if (::fstat(m_fd, &status) != 0) {
        const int error = errno;
        ::close(m_fd);
        throw EInputFileError(std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(m_fd);
        throw EInputFileError(notRegularReason(status));
    }
    m_size = static_cast<std::uint64_t>(status.st_size);
}

TInputFile::~TInputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

TInputFile::TInputFile(TInputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(std::exchange(other.m_size, 0)) {}

TInputFile& TInputFile::operator=(TInputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

std::size_t TInputFile::read(void* buffer, std::size_t size) {
    for (;;) {
        const ::ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw EInputFileError(std::strerror(errno));
    }
}
