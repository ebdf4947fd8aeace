// Reading a .mzi file into the element tree, and the empty document.
#include "files/Mzi.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "files/InputFile.h"
#include "model/DecimalText.h"

namespace {

std::string describeSource(std::string_view sourceName) {
    return sourceName.empty() ? std::string("The text") : inQuotes(sourceName);
}

// Bytes taken with std::malloc, so that an 8-bit text can grow where it lies: the C library grows
// a large block by remapping its pages, without a second copy.
struct TBytes {
    TMziBytes data;
    std::size_t size = 0;

    char* begin() const { return data.get(); }
    std::string_view view() const { return {data.get(), size}; }
};

TMziBytes allocate(std::size_t size) {
    TMziBytes bytes(static_cast<char*>(std::malloc(std::max<std::size_t>(size, 1))));
    if (!bytes) throw std::bad_alloc();
    return bytes;
}

void reallocate(TMziBytes& bytes, std::size_t size) {
    char* grown = static_cast<char*>(std::realloc(bytes.get(), std::max<std::size_t>(size, 1)));
    if (!grown) throw std::bad_alloc();
    static_cast<void>(bytes.release());
    bytes.reset(grown);
}

TBytes copyOf(std::string_view text) {
    TBytes bytes{allocate(text.size()), text.size()};
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
}

TBytes readFile(const std::filesystem::path& fileName) {
    try {
        TInputFile file(fileName.string());
        // One byte more than the size, so that the read that meets the end needs no second
        // block; a file that grows meanwhile is still read whole.
        std::size_t capacity = static_cast<std::size_t>(file.size()) + 1;
        TBytes bytes{allocate(capacity), 0};
        while (const std::size_t got =
                   file.read(bytes.begin() + bytes.size, capacity - bytes.size)) {
            bytes.size += got;
            if (bytes.size == capacity) {
                capacity *= 2;
                reallocate(bytes.data, capacity);
            }
        }
        return bytes;
    } catch (const EInputFileError& e) {
        throw EMziError("Cannot read " + inQuotes(fileName.string()) + ": " + e.what());
    }
}

// --- encodings -------------------------------------------------------------------------------

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

enum class TEncoding { Utf8, Latin1, Windows1252, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The encoding that an XML declaration at the very start names, or nothing.
std::string_view declaredEncoding(std::string_view text) {
    if (!text.starts_with("<?xml")) return {};
    text = text.substr(0, text.find("?>"));
    auto at = text.find("encoding");
    if (at == std::string_view::npos) return {};
    text.remove_prefix(at + 8);
    at = text.find_first_not_of(" \t\r\n");
    if (at == std::string_view::npos || text[at] != '=') return {};
    at = text.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || (text[at] != '"' && text[at] != '\'')) return {};
    const auto end = text.find(text[at], at + 1);
    if (end == std::string_view::npos) return {};
    return text.substr(at + 1, end - at - 1);
}

// Byte-order marks and the wide forms of a leading '<' as XML parsers recognise them, then a
// declared Latin-1. Without any of these the text is UTF-8, or, when it is not valid UTF-8,
// an 8-bit document of an earlier version: those were written in the writer's code page without
// saying so, and are taken as Windows-1252, of which Latin-1 is a part.
TEncoding encodingOf(std::string_view text) {
    const std::string_view head = text.substr(0, 4);
    if (head.size() == 4) {
        if (head == std::string_view("\0\0\xFE\xFF", 4)) return TEncoding::Utf32Be;
        if (head == std::string_view("\xFF\xFE\0\0", 4)) return TEncoding::Utf32Le;
        if (head.starts_with("\xFE\xFF")) return TEncoding::Utf16Be;
        if (head.starts_with("\xFF\xFE")) return TEncoding::Utf16Le;
        if (head == std::string_view("\0\0\0<", 4)) return TEncoding::Utf32Be;
        if (head == std::string_view("<\0\0\0", 4)) return TEncoding::Utf32Le;
        if (head.starts_with(std::string_view("\0<", 2))) return TEncoding::Utf16Be;
        if (head.starts_with(std::string_view("<\0", 2))) return TEncoding::Utf16Le;
    }
    const std::string_view declared = declaredEncoding(text);
    if (equalsIgnoringCase(declared, "iso-8859-1") || equalsIgnoringCase(declared, "latin1"))
        return TEncoding::Latin1;
    return isValidUtf8(text) ? TEncoding::Utf8 : TEncoding::Windows1252;
}

// Windows-1252 for the bytes 0x80..0x9F; the others are Latin-1, i.e. their own code point.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 8-bit text to UTF-8 where it lies: the block grows by what the characters above 0x7F need and
// the text is rewritten from its end, so that no second copy is ever held. A UTF-8 byte-order
// mark in front stays as it is (the parser skips it).
void eightBitToUtf8(TBytes& bytes, bool windows1252) {
    const auto codeOf = [windows1252](unsigned char byte) -> char16_t {
        return windows1252 && byte >= 0x80 && byte < 0xA0 ? windows1252High[byte - 0x80] : byte;
    };
    const std::size_t start = bytes.view().starts_with(utf8Bom) ? utf8Bom.size() : 0;
    std::size_t grown = bytes.size;
    for (std::size_t i = start; i < bytes.size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes.begin()[i]);
        if (byte >= 0x80) grown += codeOf(byte) < 0x800 ? 1 : 2;
    }
    if (grown == bytes.size) return;
    reallocate(bytes.data, grown);
    char* text = bytes.begin();
    std::size_t to = grown;
    for (std::size_t from = bytes.size; from > start;) {
        const auto byte = static_cast<unsigned char>(text[--from]);
        if (byte < 0x80) {
            text[--to] = static_cast<char>(byte);
            continue;
        }
        const char16_t code = codeOf(byte);
        text[--to] = static_cast<char>(0x80 | (code & 0x3F));
        if (code < 0x800) {
            text[--to] = static_cast<char>(0xC0 | (code >> 6));
        } else {
            text[--to] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text[--to] = static_cast<char>(0xE0 | (code >> 12));
        }
    }
    bytes.size = grown;
}

// Calls emit with each character of a UTF-16 or UTF-32 text, the byte-order mark left out.
// Broken surrogates and values beyond Unicode come out as U+FFFD; a last partial unit is dropped.
template <class Emit>
void decodeWide(std::string_view text, TEncoding encoding, Emit emit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const bool big = encoding == TEncoding::Utf16Be || encoding == TEncoding::Utf32Be;
    const std::size_t unit =
        encoding == TEncoding::Utf16Le || encoding == TEncoding::Utf16Be ? 2 : 4;
    const std::size_t count = text.size() / unit;
    const auto at = [&](std::size_t i) {
        char32_t value = 0;
        for (std::size_t b = 0; b < unit; ++b)
            value |= char32_t(p[i * unit + b]) << (8 * (big ? unit - 1 - b : b));
        return value;
    };
    constexpr char32_t replacement = 0xFFFD;
    for (std::size_t i = count > 0 && at(0) == 0xFEFF ? 1 : 0; i < count; ++i) {
        const char32_t value = at(i);
        const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
        if (unit == 4) {
            emit(surrogate || value > 0x10FFFF ? replacement : value);
        } else if (!surrogate) {
            emit(value);
        } else if (value < 0xDC00 && i + 1 < count && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF) {
            emit(0x10000 + ((value - 0xD800) << 10) + (at(i + 1) - 0xDC00));
            ++i;
        } else {
            emit(replacement);
        }
    }
}

// A wide text to UTF-8: measured first, so that the result is allocated once at its size.
TBytes wideToUtf8(std::string_view text, TEncoding encoding) {
    const auto length = [](char32_t c) {
        return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    };
    std::size_t size = 0;
    decodeWide(text, encoding, [&](char32_t c) { size += length(c); });
    TBytes result{allocate(size), size};
    char* out = result.begin();
    decodeWide(text, encoding, [&](char32_t c) {
        const int n = length(c);
        if (n == 1) {
            *out++ = static_cast<char>(c);
            return;
        }
        constexpr std::array<unsigned char, 5> leads = {0, 0, 0xC0, 0xE0, 0xF0};
        *out++ = static_cast<char>(leads[n] | (c >> (6 * (n - 1))));
        for (int k = n - 2; k >= 0; --k) *out++ = static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    });
    return result;
}

// Any document as UTF-8, the bytes given up to it.
TBytes toUtf8(TBytes bytes) {
    const TEncoding encoding = encodingOf(bytes.view());
    switch (encoding) {
        case TEncoding::Utf8:
            return bytes;
        case TEncoding::Latin1:
        case TEncoding::Windows1252:
            eightBitToUtf8(bytes, encoding == TEncoding::Windows1252);
            return bytes;
        default:
            return wideToUtf8(bytes.view(), encoding);
    }
}

// --- parsing -------------------------------------------------------------------------------

// Where the byte at a UTF-8 text's offset at lies as an editor shows it: lines counted from 1 and
// broken by LF, CR LF or a lone CR; the column counted in characters from 1, a byte-order mark
// not counted.
std::string position(std::string_view text, std::size_t at) {
    std::size_t line = 1;
    std::size_t lineStart = std::min(text.starts_with(utf8Bom) ? utf8Bom.size() : 0, at);
    for (std::size_t i = 0; i < at; ++i) {
        const bool lf = text[i] == '\n';
        if (lf || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    const std::string_view before = text.substr(lineStart, at - lineStart);
    const auto column = 1 + std::count_if(before.begin(), before.end(), [](char c) {
                            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                        });
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// What lies beside the root element. The parser is asked to keep text there as nodes (it skips
// it otherwise); anything but comments, processing instructions and a document type is a fault.
struct TOutsideFault {
    const char* description = nullptr;
    std::ptrdiff_t offset = 0;
    bool atFirstNonBlank = false;  // the fault is the first non-blank from offset on
};

TOutsideFault outsideRootFault(const pugi::xml_document& document, std::size_t size,
                               char lastByte) {
    const auto last = static_cast<std::ptrdiff_t>(size) - 1;
    if (!document.document_element())
        return {"No document element found", std::max<std::ptrdiff_t>(last, 0)};
    constexpr const char* textOutside = "Text outside the root element";
    bool seenRoot = false;
    for (const pugi::xml_node node : document.children()) {
        switch (node.type()) {
            case pugi::node_element:
                // The offset of an element is that of its name, just after the '<'.
                if (seenRoot) return {"More than one root element", node.offset_debug() - 1};
                seenRoot = true;
                break;
            case pugi::node_pcdata:
                return {textOutside, node.offset_debug(), true};
            case pugi::node_cdata:
                return {textOutside,
                        node.offset_debug() - std::ptrdiff_t(std::strlen("<![CDATA["))};
            default:
                break;
        }
    }
    // The parser ends the text at its last byte and so never keeps a single character there as
    // a node; a document ends with '>' or a blank.
    if (std::string_view(" \t\r\n>").find(lastByte) == std::string_view::npos)
        return {textOutside, last};
    return {};
}

// The parser turns a character reference into UTF-8 without asking whether the number names a
// character: "&#x110000;" or "&#xD800;" leave bytes that no UTF-8 reader takes, so the text of
// the document would change (or the document become unreadable) once it is saved and read
// again. The input is valid UTF-8, so any invalid byte in a value comes from such a reference.
TOutsideFault invalidReferenceFault(const pugi::xml_document& document) {
    constexpr const char* description = "Reference to an invalid character";
    for (pugi::xml_node node = document.first_child(); node;) {
        if (node.type() == pugi::node_pcdata && !isValidUtf8(node.value()))
            return {description, node.offset_debug()};
        if (node.type() == pugi::node_element) {
            for (const pugi::xml_attribute attribute : node.attributes())
                if (!isValidUtf8(attribute.value())) return {description, node.offset_debug() - 1};
        }
        // Depth first, in document order, without recursion.
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling()) node = node.parent();
        if (node) node = node.next_sibling();
    }
    return {};
}

// Parses UTF-8 bytes where they lie; the document keeps them. The parser changes the bytes as it
// goes, so a message that gives a position gets a fresh copy from again() to count in.
TXMLQUENTARISType parseUtf8(TBytes bytes, std::string_view sourceName,
                            const std::function<TBytes()>& again) {
    const std::size_t size = bytes.size;
    const char lastByte = size == 0 ? '\0' : bytes.begin()[size - 1];
    auto document = std::make_shared<TMziDocument>();
    const pugi::xml_parse_result result = document->parseInPlace(
        std::move(bytes.data), size, pugi::parse_default | pugi::parse_fragment);
    const auto notWellFormed = [&](const TOutsideFault& fault) {
        const TBytes original = toUtf8(again());
        const std::string_view text = original.view();
        std::size_t offset = std::min(static_cast<std::size_t>(fault.offset), text.size());
        if (fault.atFirstNonBlank)
            offset = std::min(text.find_first_not_of(" \t\r\n", offset), text.size());
        return EMziError(describeSource(sourceName) + " is not well-formed XML: " +
                         fault.description + " at " + position(text, offset));
    };
    if (!result) throw notWellFormed({result.description(), result.offset});
    if (const TOutsideFault fault = outsideRootFault(*document, size, lastByte); fault.description)
        throw notWellFormed(fault);
    if (const TOutsideFault fault = invalidReferenceFault(*document); fault.description)
        throw notWellFormed(fault);

    const pugi::xml_node root = document->document_element();
    if (std::string_view(root.name()) != "QUENTARIS")
        throw EMziError(describeSource(sourceName) +
                        " is not a .mzi document: its root element is " + inQuotes(root.name()) +
                        ", not \"QUENTARIS\"");
    return TXMLQUENTARISType(std::move(document), root);
}

}  // namespace

TXMLQUENTARISType loadQUENTARIS(const std::filesystem::path& fileName) {
    // Only the file's bytes are ever held (or their UTF-8 form when it is not UTF-8 already),
    // and the tree points into them.
    return parseUtf8(toUtf8(readFile(fileName)), fileName.string(),
                     [&fileName] { return readFile(fileName); });
}

TXMLQUENTARISType parseQUENTARIS(std::string_view text, std::string_view sourceName) {
    return parseUtf8(toUtf8(copyOf(text)), sourceName, [text] { return copyOf(text); });
}

TXMLQUENTARISType newQUENTARIS() {
    auto document = std::make_shared<TMziDocument>();
    pugi::xml_node root = document->append_child("QUENTARIS");
    root.append_attribute("xmlns").set_value(mziNamespace);
    return TXMLQUENTARISType(std::move(document), root);
}
