// Base64 (RFC 4648) with the lenient decoder, the 4-byte word swap and the SHA-1 seal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string base64Encode(const std::uint8_t* data, std::size_t size);
inline std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    return base64Encode(bytes.data(), bytes.size());
}
// (length div 4) * 3 bytes, less the padding; a character outside the alphabet counts as 0;
// characters after the last complete group of four are ignored.
std::vector<std::uint8_t> base64Decode(std::string_view text);
// Reverses the bytes of every complete 4-byte group in place (big-endian 32-bit values to the
// machine's order and back).
void swapWords(std::uint8_t* data, std::size_t size);
inline void swapWords(std::vector<std::uint8_t>& bytes) {
    swapWords(bytes.data(), bytes.size());
}
// SHA-1 of the bytes as 40 uppercase hexadecimal digits.
std::string sha1Hex(std::string_view text);
