// The read-only file mapping: open the regular file, map it, close the descriptor (the mapping
// keeps the pages reachable).
#include "files/MappedFile.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "files/InputFile.h"
#include "model/DecimalText.h"

TMappedFile::TMappedFile(const std::string& fileName) {
    const auto fail = [&](const std::string& reason) {
        return EMappedFileError("Cannot read " + inQuotes(fileName) + ": " + reason + ".");
    };
    try {
        TInputFile file(fileName);
        const auto size = static_cast<std::size_t>(file.size());
        if (size == 0) return;
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.descriptor(), 0);
        if (data == MAP_FAILED) throw EInputFileError(std::strerror(errno));
        m_data = data;
        m_size = size;
        ::madvise(m_data, m_size, MADV_SEQUENTIAL);
    } catch (const EInputFileError& e) {
        throw fail(e.what());
    }
}

TMappedFile::TMappedFile(int descriptor, std::size_t size, const std::string& name) {
    if (size == 0) return;
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (data == MAP_FAILED)
        throw EMappedFileError("Cannot read " + inQuotes(name) + ": " + std::strerror(errno) + ".");
    m_data = data;
    m_size = size;
    ::madvise(m_data, m_size, MADV_SEQUENTIAL);
}

TMappedFile TMappedFile::copyOf(std::string_view bytes) {
    TMappedFile copy;
    if (bytes.empty()) return copy;
    void* data =
        ::mmap(nullptr, bytes.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) throw std::bad_alloc();
    std::memcpy(data, bytes.data(), bytes.size());
    ::mprotect(data, bytes.size(), PROT_READ);
    copy.m_data = data;
    copy.m_size = bytes.size();
    return copy;
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
