#include "files/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

TInflated inflateBounded(std::span<const std::uint8_t> compressed, std::size_t limit,
                         std::size_t firstChunk) {
    TInflated result;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        result.fault = TInflated::TFault::Start;
        return result;
    }
    struct TEnd {
        z_stream* s;
        ~TEnd() { inflateEnd(s); }
    } end{&stream};

    std::vector<std::uint8_t>& out = result.bytes;
    std::size_t produced = 0;
    const std::uint8_t* in = compressed.data();
    std::size_t inLeft = compressed.size();
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (produced == out.size()) {
            if (out.size() > limit) break;  // passed the limit
            // One byte past the limit, so that a longer stream shows.
            out.resize(std::min(out.empty() ? std::max<std::size_t>(firstChunk, 1) : out.size() * 2,
                                limit + 1));
        }
        const auto inChunk = static_cast<uInt>(std::min<std::size_t>(inLeft, UINT_MAX));
        const auto outChunk =
            static_cast<uInt>(std::min<std::size_t>(out.size() - produced, UINT_MAX));
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = inChunk;
        stream.next_out = out.data() + produced;
        stream.avail_out = outChunk;
        status = inflate(&stream, Z_NO_FLUSH);
        in += inChunk - stream.avail_in;
        inLeft -= inChunk - stream.avail_in;
        produced += outChunk - stream.avail_out;
        if (status == Z_NEED_DICT || (status < 0 && status != Z_BUF_ERROR)) {
            result.fault = TInflated::TFault::NotZlib;
            if (stream.msg) result.zlibMessage = stream.msg;
            break;
        }
        if (status == Z_BUF_ERROR && inLeft == 0 && produced < out.size()) {
            result.fault = TInflated::TFault::Cut;
            break;
        }
    }
    out.resize(produced);
    return result;
}
