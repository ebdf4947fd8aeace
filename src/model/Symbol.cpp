// Symbols and named symbols: length limits and the case-blind symbol comparison.
#include "Symbol.h"

std::string truncateText(std::string_view text, std::size_t maxChars) {
    // Counts characters by their lead bytes; continuation bytes (10xxxxxx) belong to the
    // character before them.
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            if (chars == maxChars) return std::string(text.substr(0, i));
            ++chars;
        }
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
