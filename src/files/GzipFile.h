// Inflating a gzip-compressed file once, into memory or an unnamed temporary file, so that a
// reader maps the result as it maps a plain file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/MappedFile.h"

// How far a compressed file may grow, and where its inflated bytes go.
struct TInflateLimits {
    // The inflated bytes may be at most this many times the compressed size (a text run
    // compresses some 3 to 10 times, a stream of zeros a thousand times) ...
    std::uint64_t maxRatio = 64;
    // ... or this many bytes, should that be more: a small file may compress better.
    std::uint64_t floorBytes = std::uint64_t(1) << 20;
    // ... and never more than this, so that no file fills the temporary folder.
    std::uint64_t ceilingBytes = std::uint64_t(16) << 30;
    // Up to this many inflated bytes stay in anonymous memory; more go to a temporary file.
    std::size_t inMemoryBytes = std::size_t(32) << 20;
    // Where the temporary file goes; empty for the system's temporary folder (TMPDIR).
    std::string tempFolder;
};

// The inflated content of the gzip file fileName (several members one after another are read
// as one stream, as gzip does), mapped read-only. A temporary file has no name and vanishes
// with the mapping. Throws EMappedFileError naming the file when it cannot be read, is not
// gzip data, is cut short, holds other bytes after its compressed data, would inflate beyond
// the limits, or the temporary folder cannot take it.
TMappedFile inflateGzipFile(const std::string& fileName, const TInflateLimits& limits = {});
