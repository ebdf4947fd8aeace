// Reading a .mzi file into the element tree, and the empty document.
#include "files/Mzi.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

namespace {

std::string inQuotes(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string describeSource(std::string_view sourceName) {
    return sourceName.empty() ? std::string("The text") : inQuotes(sourceName);
}

std::string readFile(const std::filesystem::path& fileName) {
    const std::string shown = inQuotes(fileName.string());
    std::error_code error;
    // A folder opens like a file on POSIX and only the first read fails, with a vaguer text.
    if (std::filesystem::is_directory(fileName, error))
        throw EMziError("Cannot read " + shown + ": it is a folder");
    const auto reason = [] { return errno ? std::strerror(errno) : "unknown input error"; };
    errno = 0;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EMziError("Cannot read " + shown + ": " + reason());
    std::string bytes;
    const auto size = std::filesystem::file_size(fileName, error);
    if (!error) bytes.reserve(size);
    std::array<char, 1 << 16> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0)
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw EMziError("Cannot read " + shown + ": " + reason());
    return bytes;
}

// True when none of the 64 bytes from p has its high bit set; written as one reduction so that
// the compiler turns it into a few vector instructions.
bool isAsciiBlock(const unsigned char* p) {
    unsigned char any = 0;
    for (int i = 0; i < 64; ++i) any |= p[i];
    return (any & 0x80) == 0;
}

bool isValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        // Documents are nearly all ASCII: the point text always is.
        if (end - p >= 64 && isAsciiBlock(p)) {
            p += 64;
            continue;
        }
        const unsigned char lead = *p;
        int length = 0;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        else
            return false;
        if (end - p < length) return false;
        for (int i = 1; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        // Overlong forms, surrogates and code points beyond U+10FFFF.
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F) ||
            (lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
            return false;
        p += length;
    }
    return true;
}

// UTF-16 and UTF-32 are not valid UTF-8 either, but pugixml reads them itself.
bool isWideEncoding(std::string_view text) {
    const std::string_view head = text.substr(0, 4);
    return head.starts_with("\xFE\xFF") || head.starts_with("\xFF\xFE") ||
           head.find('\0') != std::string_view::npos;
}

// Windows-1252 for the bytes 0x80..0x9F; the others are Latin-1, i.e. their own code point.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string windows1252ToUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            result += c;
            continue;
        }
        const char16_t code = byte < 0xA0 ? windows1252High[byte - 0x80] : char16_t(byte);
        if (code < 0x800) {
            result += static_cast<char>(0xC0 | (code >> 6));
        } else {
            result += static_cast<char>(0xE0 | (code >> 12));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        result += static_cast<char>(0x80 | (code & 0x3F));
    }
    return result;
}

std::string position(std::string_view text, std::ptrdiff_t offset) {
    const auto at = static_cast<std::size_t>(
        std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(text.size())));
    const std::string_view before = text.substr(0, at);
    const auto line = std::count(before.begin(), before.end(), '\n') + 1;
    const auto lineStart = before.rfind('\n');
    const auto column = lineStart == std::string_view::npos ? at + 1 : at - lineStart;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

TXMLQUENTARISType loadQUENTARIS(const std::filesystem::path& fileName) {
    const std::string bytes = readFile(fileName);
    return parseQUENTARIS(bytes, fileName.string());
}

TXMLQUENTARISType parseQUENTARIS(std::string_view text, std::string_view sourceName) {
    // Documents written by earlier versions are in an 8-bit code page without a declaration
    // that says so. Read as UTF-8, their accented names would turn into invalid bytes; text
    // that is not UTF-8 is therefore taken as Windows-1252, of which Latin-1 is a part.
    std::string converted;
    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (!isValidUtf8(text) && !isWideEncoding(text)) {
        converted = windows1252ToUtf8(text);
        text = converted;
        encoding = pugi::encoding_utf8;
    }
    auto document = std::make_shared<pugi::xml_document>();
    const pugi::xml_parse_result result =
        document->load_buffer(text.data(), text.size(), pugi::parse_default, encoding);
    if (!result)
        throw EMziError(describeSource(sourceName) + " is not well-formed XML: " +
                        result.description() + " at " + position(text, result.offset));
    const pugi::xml_node root = document->document_element();
    if (std::string_view(root.name()) != "QUENTARIS")
        throw EMziError(describeSource(sourceName) +
                        " is not a .mzi document: its root element is " + inQuotes(root.name()) +
                        ", not \"QUENTARIS\"");
    return TXMLQUENTARISType(std::move(document), root);
}

TXMLQUENTARISType newQUENTARIS() {
    auto document = std::make_shared<pugi::xml_document>();
    pugi::xml_node root = document->append_child("QUENTARIS");
    root.append_attribute("xmlns").set_value(mziNamespace);
    return TXMLQUENTARISType(std::move(document), root);
}
