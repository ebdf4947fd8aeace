// Base64 encoding and lenient decoding, the word swap and the SHA-1 seal.
#include "model/Base64.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each character; everything outside the alphabet, '=' included, counts as 0.
constexpr std::array<std::uint8_t, 256> makeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}
constexpr auto kDecode = makeDecodeTable();

}  // namespace

std::string base64Encode(const std::uint8_t* data, std::size_t size) {
    std::string out((size + 2) / 3 * 4, '=');
    char* o = out.data();
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const std::uint32_t v =
            (std::uint32_t{data[i]} << 16) | (std::uint32_t{data[i + 1]} << 8) | data[i + 2];
        *o++ = kAlphabet[(v >> 18) & 63];
        *o++ = kAlphabet[(v >> 12) & 63];
        *o++ = kAlphabet[(v >> 6) & 63];
        *o++ = kAlphabet[v & 63];
    }
    if (const std::size_t rest = size - i; rest > 0) {
        std::uint32_t v = std::uint32_t{data[i]} << 16;
        if (rest == 2) v |= std::uint32_t{data[i + 1]} << 8;
        o[0] = kAlphabet[(v >> 18) & 63];
        o[1] = kAlphabet[(v >> 12) & 63];
        if (rest == 2) o[2] = kAlphabet[(v >> 6) & 63];
    }
    return out;
}

std::vector<std::uint8_t> base64Decode(std::string_view text) {
    const std::size_t groups = text.size() / 4;
    std::size_t size = groups * 3;
    if (text.size() >= 2 && text.ends_with("==")) {
        size = size >= 2 ? size - 2 : 0;
    } else if (text.ends_with('=')) {
        size = size >= 1 ? size - 1 : 0;
    }
    // The padding is judged on the whole text, so a trailing '=' after the last group can
    // shorten the output below what the groups fill: decode into the full size, then cut.
    std::vector<std::uint8_t> out(groups * 3);
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::uint8_t* o = out.data();
    for (std::size_t g = 0; g < groups; ++g, s += 4) {
        const std::uint32_t v = (std::uint32_t{kDecode[s[0]]} << 18) |
                                (std::uint32_t{kDecode[s[1]]} << 12) |
                                (std::uint32_t{kDecode[s[2]]} << 6) | kDecode[s[3]];
        *o++ = static_cast<std::uint8_t>(v >> 16);
        *o++ = static_cast<std::uint8_t>(v >> 8);
        *o++ = static_cast<std::uint8_t>(v);
    }
    out.resize(size);
    return out;
}

void swapWords(std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::swap(data[i], data[i + 3]);
        std::swap(data[i + 1], data[i + 2]);
    }
}

std::string sha1Hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha1(), nullptr) != 1)
        throw std::runtime_error("SHA-1 digest failed");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(2 * length, '0');
    for (unsigned int i = 0; i < length; ++i) {
        out[2 * i] = kHex[digest[i] >> 4];
        out[2 * i + 1] = kHex[digest[i] & 15];
    }
    return out;
}
