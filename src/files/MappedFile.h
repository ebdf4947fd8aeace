// A whole file mapped read-only into memory for as long as the object lives.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// The file cannot be opened or mapped; what() is "Cannot read "<name>": <reason>." as the
// readers built on the mapping give it.
class EMappedFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a regular file, mapped rather than copied: a run of hundreds of MB costs no read
// into a buffer. The pages are advised for one pass from start to end. A file that another
// program cuts short while it is mapped may still fault on access. Move-only; unmapped in the
// destructor. An empty file, like a default-constructed object, holds no bytes.
class TMappedFile {
public:
    TMappedFile() = default;
    // Throws EMappedFileError when the file cannot be opened, is a folder, a device or a pipe,
    // or cannot be mapped.
    explicit TMappedFile(const std::string& fileName);
    // The first size bytes of a file already open as descriptor (an unnamed temporary file, for
    // one). The descriptor stays the caller's and may be closed once this returns: the mapping
    // keeps the pages. Throws EMappedFileError naming name.
    TMappedFile(int descriptor, std::size_t size, const std::string& name);
    // Anonymous memory holding a copy of bytes, made read-only: a small inflated file needs no
    // temporary file.
    static TMappedFile copyOf(std::string_view bytes);
    ~TMappedFile();
    TMappedFile(TMappedFile&& other) noexcept;
    TMappedFile& operator=(TMappedFile&& other) noexcept;
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    const char* data() const { return static_cast<const char*>(m_data); }
    std::size_t size() const { return m_size; }
    std::string_view text() const {
        return m_data ? std::string_view(data(), m_size) : std::string_view();
    }

private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
};
