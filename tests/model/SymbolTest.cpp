// Symbols and named symbols: length limits, and the lists' lookups by symbol and by name.
#include "model/Symbol.h"

#include <gtest/gtest.h>

#include <string>

#include "model/ModelErrors.h"
#include "support/TestHelpers.h"

TEST(SymbolLengthLimits, SymbolsAreCutToEightAndNamesToOneHundredTwentyEightCharacters) {
    TSymbolNamed named("ABCDEFGHIJ", std::string(200, 'n') + "tail");
    EXPECT_EQ(named.symbol(), "ABCDEFGH");
    EXPECT_EQ(named.name(), std::string(128, 'n'));

    named.setSymbol("0123456789");
    named.setName(std::string(130, 'm'));
    EXPECT_EQ(named.symbol(), "01234567");
    EXPECT_EQ(named.name(), std::string(128, 'm'));

    named.setSymbol("ABCDEFGH");
    EXPECT_EQ(named.symbol(), "ABCDEFGH");  // exactly at the limit: kept whole
}

TEST(SymbolLengthLimits, CutNeverSplitsAMultiByteCharacter) {
    const std::string e = "\xC3\xA9";  // é, two bytes in UTF-8
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += e;
    TSymbolNamed named(nine, std::string(127, 'a') + e + e);
    EXPECT_EQ(named.symbol().size(), 16u);  // eight whole characters
    EXPECT_EQ(named.symbol(), nine.substr(0, 16));
    EXPECT_EQ(named.name(), std::string(127, 'a') + e);
    EXPECT_EQ(truncateText("ab\xE2\x82\xAC"
                           "cd",
                           3),
              "ab\xE2\x82\xAC");  // euro sign kept whole
}

TEST(SymbolLengthLimits, LimitHoldsForTextThatIsNotUtf8) {
    // Latin-1 text: 0xB5 (micro sign) looks like a UTF-8 continuation byte, 0xE9 (e acute)
    // like the lead of a three-byte sequence that never follows.
    TSymbolNamed named(std::string(12, '\xB5'), std::string(200, '\xB5'));
    EXPECT_EQ(named.symbol(), std::string(8, '\xB5'));
    EXPECT_EQ(named.name(), std::string(128, '\xB5'));
    EXPECT_EQ(truncateText("\xE9tude", 3), "\xE9tu");
    EXPECT_EQ(truncateText("a\xC3\xA9\xA9\xA9z", 3), "a\xC3\xA9\xA9");  // stray bytes: one each
}

TEST(SymbolLookup, SymbolsMatchIgnoringCaseOfLettersOnlyNamesExactly) {
    TSymbolNamedList list;
    list.add(newSymbolNamed("XYZ", "first"));
    list.add(newSymbolNamed("ABC", "ABC"));
    list.add(newSymbolNamed("abc", "second abc"));
    list.add(newSymbolNamed("\xC3\xA4", "a umlaut"));

    EXPECT_EQ(list.findSymbol("abc"), 1);  // the first match wins
    EXPECT_EQ(list.findSymbolItem("aBc"), list.get(1));
    EXPECT_EQ(list.findSymbol("AB"), std::nullopt);
    EXPECT_EQ(list.findSymbol("\xC3\x84"), std::nullopt);  // Ä is not folded
    EXPECT_EQ(list.findSymbolItem("none"), nullptr);
    EXPECT_TRUE(sameSymbol("a-1[z]", "A-1[Z]"));
    EXPECT_FALSE(sameSymbol("@", "`"));  // neighbours of the letter ranges stay distinct

    TSymbolNamedList names;  // names match exactly
    names.add(newSymbolNamed("", "ABC"));
    names.add(newSymbolNamed("", "abc"));
    names.add(newSymbolNamed("", "abc"));
    EXPECT_EQ(names.findName("abc"), 1);
    EXPECT_EQ(names.findName("ABC"), 0);
    EXPECT_EQ(names.findName("ab"), std::nullopt);
    EXPECT_EQ(names.findName("abc "), std::nullopt);
    EXPECT_EQ(names.findNameItem("abc"), names.get(1));
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
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.get(1), a);
    EXPECT_EQ(list.remove(std::make_shared<TSymbol>("A")), std::nullopt);

    EXPECT_THROW(list.get(2), EListError);
    EXPECT_EQ(messageOf([&] { list.get(2); }), "List index out of bounds (2)");
    EXPECT_THROW(list.insert(3, a), EListError);
    EXPECT_THROW(list.add(nullptr), EListError);
    EXPECT_EQ(list.count(), 2);
}
