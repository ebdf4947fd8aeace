// Decimal numbers as the stored texts hold them, read without the locale, and the quoting that
// messages use for names and values.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The whole text as one finite number in plain or exponent form. '.' and ',' are both decimal
// separators (texts written under a comma locale still read) and a leading '+' or '-' is
// allowed; no blanks around it. nullopt for anything else, NaN, infinities and values beyond the
// range of a double included.
std::optional<double> parseDecimal(std::string_view text);

// The text in double quotes.
std::string inQuotes(std::string_view text);
