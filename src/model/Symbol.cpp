// Symbols and named symbols: length limits and the case-blind symbol comparison.
#include "model/Symbol.h"

std::string truncateText(std::string_view text, std::size_t maxChars) {
    // A character is a lead byte with the continuation bytes (10xxxxxx) its pattern announces.
    // A byte that starts no valid sequence (text in another encoding, a stray continuation
    // byte) counts as one character of its own, so the limit holds for any bytes.
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (chars == maxChars) return std::string(text.substr(0, i));
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if ((lead & 0xE0) == 0xC0)
            length = 2;
        else if ((lead & 0xF0) == 0xE0)
            length = 3;
        else if ((lead & 0xF8) == 0xF0)
            length = 4;
        std::size_t next = i + 1;
        while (next < text.size() && next < i + length &&
               (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        i = next;
        ++chars;
    }
    return std::string(text);
}

bool sameSymbol(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

TSymbol::TSymbol(std::string_view symbol) : m_symbol(truncateText(symbol, maxSymbolLength)) {}

void TSymbol::setSymbol(std::string_view value) {
    m_symbol = truncateText(value, maxSymbolLength);
}

TSymbolNamed::TSymbolNamed(std::string_view symbol, std::string_view name)
    : TSymbol(symbol), m_name(truncateText(name, maxNameLength)) {}

void TSymbolNamed::setName(std::string_view value) {
    m_name = truncateText(value, maxNameLength);
}
