// zlib data inflated with a bound on what it may grow to, so that a lying length or a stream
// of zeros costs no more memory than the caller allows. No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TInflated {
    enum class TFault { None, Start, NotZlib, Cut };
    TFault fault = TFault::None;
    std::string zlibMessage;  // zlib's own words on a NotZlib stream; may be empty
    // What came out; one byte more than the limit when the stream holds more than that.
    std::vector<std::uint8_t> bytes;
};

// Inflates compressed to at most limit bytes (limit + 1 when it holds more), growing the output
// as it arrives from firstChunk bytes on. Start: zlib could not begin (out of memory); NotZlib:
// no valid zlib data; Cut: the data ends before its stream does.
TInflated inflateBounded(std::span<const std::uint8_t> compressed, std::size_t limit,
                         std::size_t firstChunk = std::size_t(1) << 16);
