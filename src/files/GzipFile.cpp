// Gzip inflation into anonymous memory or an unnamed temporary file, bounded by the limits.
#include "files/GzipFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/MessageNumbers.h"
#include "model/DecimalText.h"

namespace {

// A descriptor closed when it goes out of scope.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : m_fd(fd) {}
    ~TDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Where inflated bytes go: memory first, then, past inMemoryBytes, an unnamed temporary file
// that takes what memory held and everything after.
class TInflatedSink {
public:
    TInflatedSink(const std::string& fileName, const TInflateLimits& limits)
        : m_fileName(fileName), m_limits(limits) {}

    std::uint64_t size() const { return m_size; }

    void append(const unsigned char* bytes, std::size_t count) {
        m_size += count;
        if (!m_file && m_memory.size() + count <= m_limits.inMemoryBytes) {
            m_memory.append(reinterpret_cast<const char*>(bytes), count);
            return;
        }
        if (!m_file) {
            m_file = std::make_unique<TDescriptor>(openTemporary());
            writeAll(reinterpret_cast<const unsigned char*>(m_memory.data()), m_memory.size());
            std::string().swap(m_memory);
        }
        writeAll(bytes, count);
    }

    TMappedFile mapped() {
        if (!m_file) return TMappedFile::copyOf(m_memory);
        return TMappedFile(m_file->get(), static_cast<std::size_t>(m_size), m_fileName);
    }

private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw EMappedFileError("Cannot read " + inQuotes(m_fileName) + ": " + reason + ".");
    }

    std::filesystem::path folder() const {
        if (!m_limits.tempFolder.empty()) return m_limits.tempFolder;
        std::error_code error;
        auto path = std::filesystem::temp_directory_path(error);
        if (error)
            fail("there is no temporary folder to inflate it into (" + error.message() + ")");
        return path;
    }

    // A file without a name where the system allows it (it cannot be left behind, even by a
    // crash), else a named one removed at once.
    int openTemporary() const {
        const std::filesystem::path where = folder();
#ifdef O_TMPFILE
        if (const int fd = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); fd >= 0)
            return fd;
#endif
        std::string pattern = (where / "velmorix-inflated-XXXXXX").string();
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            fail("cannot make a temporary file in " + inQuotes(where.string()) + " (" +
                 std::strerror(errno) + ")");
        ::unlink(pattern.c_str());
        return fd;
    }

    void writeAll(const unsigned char* bytes, std::size_t count) {
        while (count > 0) {
            const ssize_t written = ::write(m_file->get(), bytes, count);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0)
                fail("its inflated content does not fit into the temporary folder (" +
                     std::string(written < 0 ? std::strerror(errno) : "nothing written") + ")");
            bytes += written;
            count -= static_cast<std::size_t>(written);
        }
    }

    const std::string& m_fileName;
    const TInflateLimits& m_limits;
    std::string m_memory;
    std::unique_ptr<TDescriptor> m_file;
    std::uint64_t m_size = 0;
};

}  // namespace

TMappedFile inflateGzipFile(const std::string& fileName, const TInflateLimits& limits) {
    const TMappedFile compressed(fileName);
    const auto fail = [&](const std::string& reason) {
        return EMappedFileError("Cannot read " + inQuotes(fileName) + ": " + reason + ".");
    };
    const std::uint64_t size = compressed.size();
    const std::uint64_t byRatio = size > UINT64_MAX / std::max<std::uint64_t>(limits.maxRatio, 1)
                                      ? UINT64_MAX
                                      : size * limits.maxRatio;
    const std::uint64_t cap = std::min(std::max(byRatio, limits.floorBytes), limits.ceilingBytes);

    z_stream stream{};
    // 16 + 15: a gzip header and trailer around the largest window.
    if (inflateInit2(&stream, 16 + 15) != Z_OK) throw fail("cannot inflate it");
    struct TEnd {
        z_stream* s;
        ~TEnd() { inflateEnd(s); }
    } end{&stream};

    TInflatedSink sink(fileName, limits);
    std::vector<unsigned char> chunk(std::size_t(1) << 20);
    const auto* in = reinterpret_cast<const unsigned char*>(compressed.data());
    std::uint64_t inLeft = size;
    for (;;) {
        const auto inChunk = static_cast<uInt>(std::min<std::uint64_t>(inLeft, UINT_MAX));
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = inChunk;
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<uInt>(chunk.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        in += inChunk - stream.avail_in;
        inLeft -= inChunk - stream.avail_in;
        const std::size_t produced = chunk.size() - stream.avail_out;
        if (result == Z_NEED_DICT || result == Z_DATA_ERROR || result == Z_STREAM_ERROR ||
            result == Z_MEM_ERROR)
            throw fail("it is not valid gzip data" +
                       (stream.msg ? " (" + std::string(stream.msg) + ")" : std::string()));
        // Checked before the bytes are kept: a bomb stops at the cap, never much beyond it.
        if (sink.size() + produced > cap)
            throw fail("it inflates to more than " + groupedDigits(cap) +
                       " bytes, more than a compressed run may grow to");
        sink.append(chunk.data(), produced);
        if (result == Z_STREAM_END) {
            // Another member may follow, as "cat a.gz b.gz" makes it; zeros are padding.
            const std::string_view rest(reinterpret_cast<const char*>(in),
                                        static_cast<std::size_t>(inLeft));
            if (rest.starts_with("\x1F\x8B")) {
                inflateReset(&stream);
                continue;
            }
            if (rest.find_first_not_of('\0') != std::string_view::npos)
                throw fail("it holds other bytes after its compressed data");
            break;
        }
        if (result == Z_BUF_ERROR && inLeft == 0 && produced == 0)
            throw fail("its compressed data ends early (the file is cut short)");
    }
    return sink.mapped();
}
