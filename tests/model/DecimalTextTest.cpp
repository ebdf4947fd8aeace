// Decimal numbers read without the locale.
#include "model/DecimalText.h"

#include <gtest/gtest.h>

TEST(DecimalText, WholeFiniteNumbersOnly) {
    const std::pair<const char*, double> numbers[] = {
        {"12,5", 12.5}, {"+1e2", 100}, {"2.5E-1", 0.25}, {"+,5", 0.5}};
    for (const auto& [text, value] : numbers) {
        const auto parsed = parseDecimal(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, value) << text;
    }
    for (const char* text :
         {"", "+", "++2", "1 ", "1,2,3", "0x10", "nan", "-infinity", "1e999", "1e"})
        EXPECT_FALSE(parseDecimal(text)) << text;
}
