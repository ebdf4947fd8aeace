// Format detection: the XML prolog skipped up to the root element's name, or the bytes checked
// for text.
#include "files/FileFormat.h"

#include <cstdint>
#include <optional>

#include "files/InputFile.h"

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view blanks = " \t\r\n";

enum class TWide { None, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

// Byte-order marks and the wide forms of a leading "<", as XML parsers recognise them.
TWide wideEncodingOf(std::string_view head) {
    using namespace std::string_view_literals;
    if (head.starts_with("\0\0\xFE\xFF"sv) || head.starts_with("\0\0\0<"sv)) return TWide::Utf32Be;
    if (head.starts_with("\xFF\xFE\0\0"sv) || head.starts_with("<\0\0\0"sv)) return TWide::Utf32Le;
    if (head.starts_with("\xFE\xFF"sv) || head.starts_with("\0<"sv)) return TWide::Utf16Be;
    if (head.starts_with("\xFF\xFE"sv) || head.starts_with("<\0"sv)) return TWide::Utf16Le;
    return TWide::None;
}

// A wide text with its ASCII characters kept and any other character turned into 0x80: no name
// looked for here holds one. The byte-order mark and a last partial unit are dropped.
std::string narrowed(std::string_view head, TWide encoding) {
    const bool big = encoding == TWide::Utf16Be || encoding == TWide::Utf32Be;
    const std::size_t unit = encoding == TWide::Utf16Le || encoding == TWide::Utf16Be ? 2 : 4;
    std::string text;
    text.reserve(head.size() / unit);
    for (std::size_t at = 0; at + unit <= head.size(); at += unit) {
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < unit; ++b)
            value |= std::uint32_t(static_cast<unsigned char>(head[at + b]))
                     << (8 * (big ? unit - 1 - b : b));
        if (at == 0 && value == 0xFEFF) continue;
        text += value < 0x80 ? static_cast<char>(value) : '\x80';
    }
    return text;
}

// Where the document type declaration that starts before from ends (its ">"), past quoted
// literals and an internal subset in brackets; npos when the text ends first.
std::size_t doctypeEnd(std::string_view text, std::size_t from) {
    char quote = 0;
    int depth = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0) --depth;
        } else if (c == '>' && depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The local name (without a namespace prefix) of the root element of an XML text; an empty
// name when the text is XML but its root element is not in it. nullopt when it is not XML: the
// first character that is not blank is not "<".
std::optional<std::string_view> rootElement(std::string_view text) {
    if (text.starts_with(utf8Bom)) text.remove_prefix(utf8Bom.size());
    std::size_t p = text.find_first_not_of(blanks);
    if (p == std::string_view::npos || text[p] != '<') return std::nullopt;
    constexpr auto npos = std::string_view::npos;
    for (;;) {
        p = text.find_first_not_of(blanks, p);
        if (p == npos || text[p] != '<') return std::string_view();
        const std::string_view rest = text.substr(p);
        std::size_t end = npos;
        if (rest.starts_with("<?")) {
            end = text.find("?>", p + 2);
            if (end != npos) end += 2;
        } else if (rest.starts_with("<!--")) {
            end = text.find("-->", p + 4);
            if (end != npos) end += 3;
        } else if (rest.starts_with("<!DOCTYPE")) {
            end = doctypeEnd(text, p + 9);
            if (end != npos) end += 1;
        } else if (rest.starts_with("<!")) {
            return std::string_view();  // a section that cannot stand before the root
        } else {
            const std::size_t nameEnd = text.find_first_of(" \t\r\n/>", p + 1);
            if (nameEnd == npos) return std::string_view();  // the head ends in the name
            std::string_view name = text.substr(p + 1, nameEnd - p - 1);
            if (const auto colon = name.rfind(':'); colon != npos) name.remove_prefix(colon + 1);
            return name;
        }
        if (end == npos) return std::string_view();
        p = end;
    }
}

TFileFormat formatOfRoot(std::string_view root) {
    if (root == "QUENTARIS") return TFileFormat::Mzi;
    if (root == "mzXML") return TFileFormat::MzXml;
    if (root == "mzML" || root == "indexedmzML") return TFileFormat::MzMl;
    return TFileFormat::Unknown;
}

bool looksLikeText(std::string_view head) {
    bool printable = false;
    for (const char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0x7F ||
            (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v'))
            return false;
        printable = printable || u > 0x20;
    }
    return printable;
}

}  // namespace

TFileFormat detectFormat(std::string_view head) {
    if (head.starts_with("\x1F\x8B")) return TFileFormat::Gzip;
    if (const TWide wide = wideEncodingOf(head); wide != TWide::None) {
        // Only XML is read in a wide encoding.
        const std::string text = narrowed(head, wide);
        const auto root = rootElement(text);
        return root ? formatOfRoot(*root) : TFileFormat::Unknown;
    }
    if (const auto root = rootElement(head)) return formatOfRoot(*root);
    return looksLikeText(head) ? TFileFormat::Text : TFileFormat::Unknown;
}

TFileFormat detectFileFormat(const std::string& path) {
    std::string head(formatHeadBytes, '\0');
    std::size_t got = 0;
    try {
        TInputFile file(path);
        while (got < head.size()) {
            const std::size_t n = file.read(head.data() + got, head.size() - got);
            if (n == 0) break;
            got += n;
        }
    } catch (const EInputFileError&) {
        return TFileFormat::Unknown;
    }
    head.resize(got);
    return detectFormat(head);
}
