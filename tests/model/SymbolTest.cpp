// Symbols and named symbols: length limits, and the lists' lookups by symbol and by name.
#include "model/Symbol.h"

#include <gtest/gtest.h>

#include <string>

#include "model/ModelErrors.h"
#include "support/TestHelpers.h"

TEST(SymbolLengthLimits, SymbolsKeepEightAndNamesOneHundredTwentyEightWholeCharacters) {
    // A character is a whole UTF-8 sequence; a byte of no valid sequence (Latin-1 text, a
    // stray continuation byte, a lead byte whose sequence never follows) counts as one.
    const std::string e = "\xC3\xA9";  // é
    const std::string nineE = e + e + e + e + e + e + e + e + e;
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    const struct {
        std::string text;
        std::size_t limit;
        std::string cut;
    } cases[] = {{"ABCDEFGH", 8, "ABCDEFGH"},  // exactly at the limit: whole
                 {"ab" + euro + "cd", 3, "ab" + euro},
                 {"\xE9tude", 3, "\xE9tu"},
                 {"a\xC3\xA9\xA9\xA9z", 3, "a\xC3\xA9\xA9"}};
    for (const auto& c : cases) EXPECT_EQ(truncateText(c.text, c.limit), c.cut) << c.text;

    // The constructor and the setters apply the limits.
    TSymbolNamed named("ABCDEFGHIJ", std::string(127, 'a') + e + e);
    EXPECT_EQ(named.symbol(), "ABCDEFGH");
    EXPECT_EQ(named.name(), std::string(127, 'a') + e);
    named.setSymbol(nineE);
    EXPECT_EQ(named.symbol(), nineE.substr(0, 16));
}

TEST(SymbolLookup, SymbolsMatchIgnoringCaseOfLettersOnlyNamesExactly) {
    TSymbolNamedList list;
    list.add(newSymbolNamed("XYZ", "first"));
    list.add(newSymbolNamed("ABC", "ABC"));
    list.add(newSymbolNamed("abc", "second abc"));
    list.add(newSymbolNamed("\xC3\xA4", "a umlaut"));

    EXPECT_EQ(list.findSymbol("abc"), 1);  // the first match wins
    EXPECT_EQ(list.findSymbolItem("aBc"), list.get(1));
    EXPECT_EQ(list.findSymbol("\xC3\x84"), std::nullopt);  // Ä is not folded
    EXPECT_TRUE(sameSymbol("a-1[z]", "A-1[Z]"));
    EXPECT_FALSE(sameSymbol("@", "`"));  // neighbours of the letter ranges stay distinct

    TSymbolNamedList names;  // names match exactly
    names.add(newSymbolNamed("", "ABC"));
    names.add(newSymbolNamed("", "abc"));
    EXPECT_EQ(names.findName("abc"), 1);
    EXPECT_EQ(names.findName("abc "), std::nullopt);
    EXPECT_EQ(names.findNameItem("Abc"), nullptr);
}

TEST(SymbolListOperations, IndexErrorsAndIdentity) {
    TSymbolList list;
    const auto a = std::make_shared<TSymbol>("A");
    const auto b = std::make_shared<TSymbol>("A");
    list.add(a);
    list.add(b);
    list.add(a);
    EXPECT_EQ(list.indexOf(b), 1);  // by identity, not by symbol
    EXPECT_EQ(list.remove(a), 0);
    EXPECT_EQ(list.remove(std::make_shared<TSymbol>("A")), std::nullopt);
    EXPECT_THROW(list.add(nullptr), EListError);
    EXPECT_EQ(list.count(), 2);
}
