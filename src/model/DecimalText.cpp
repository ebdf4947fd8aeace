// Decimal numbers without the locale, and quoting for messages.
#include "model/DecimalText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// The whole range as one number in from_chars' general form ("inf" and "nan" included).
std::optional<double> fromChars(const char* first, const char* last) {
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> parseDecimal(std::string_view text) {
    // The plain form is by far the most common and needs no copy; a leading '+' or a decimal
    // comma (which from_chars refuses) takes the slower path through an edited copy.
    std::optional<double> value = fromChars(text.data(), text.data() + text.size());
    if (!value) {
        std::string copy(text);
        const bool plus = !copy.empty() && copy.front() == '+';
        if (plus) copy.erase(0, 1);
        if (copy.empty() || (plus && (copy.front() == '+' || copy.front() == '-')))
            return std::nullopt;
        std::replace(copy.begin(), copy.end(), ',', '.');
        value = fromChars(copy.data(), copy.data() + copy.size());
    }
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

std::string inQuotes(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}
