// A regular file opened for reading in a way that never blocks: what every reader opens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// The file cannot be opened or read. what() is the reason alone ("it is a folder", "it is not a
// regular file", or the system's text such as "No such file or directory"): each reader puts it
// into its own message, which names the file.
class EInputFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A regular file open read-only. Anything else is refused before it is opened: a device such
// as /dev/zero never ends and a pipe without a writer blocks the open itself. The open does not
// wait either, should a pipe be put in the path's place between the check and the open. Move-
// only; the descriptor is closed in the destructor.
class TInputFile {
public:
    // Throws EInputFileError when the path is no regular file or cannot be opened.
    explicit TInputFile(const std::string& fileName);
    ~TInputFile();
    TInputFile(TInputFile&& other) noexcept;
    TInputFile& operator=(TInputFile&& other) noexcept;
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    int descriptor() const { return m_fd; }
    // In bytes, as it was when the file was opened.
    std::uint64_t size() const { return m_size; }
    // Reads up to size bytes into buffer; 0 at the end of the file. Throws EInputFileError.
    std::size_t read(void* buffer, std::size_t size);

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};
