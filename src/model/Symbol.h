// Symbols and named symbols, the short code and display name every named model object
// carries, and the unsorted lists that find their items by symbol or by name.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/SharedList.h"

// Cuts text to at most maxChars characters. Text is UTF-8: the cut never splits a
// multi-byte character, so a cut name stays valid text; a byte that belongs to no valid
// sequence counts as one character, so the limit also holds for text in other encodings.
std::string truncateText(std::string_view text, std::size_t maxChars);

// Symbol equality ignoring the case of the letters a..z (other characters compare exactly).
bool sameSymbol(std::string_view a, std::string_view b);

class TSymbol {
public:
    static constexpr std::size_t maxSymbolLength = 8;  // characters

    explicit TSymbol(std::string_view symbol = {});
    virtual ~TSymbol() = default;

    const std::string& symbol() const { return m_symbol; }
    // Longer values are cut to maxSymbolLength characters. Virtual so that objects without
    // a symbol of their own can ignore it.
    virtual void setSymbol(std::string_view value);

protected:
    std::string m_symbol;
};

class TSymbolNamed : public TSymbol {
public:
    static constexpr std::size_t maxNameLength = 128;  // characters

    // Both values are cut to their maximum lengths.
    explicit TSymbolNamed(std::string_view symbol = {}, std::string_view name = {});

    const std::string& name() const { return m_name; }
    virtual void setName(std::string_view value);

protected:
    std::string m_name;
};

using TSymbolPtr = std::shared_ptr<TSymbol>;
using TSymbolNamedPtr = std::shared_ptr<TSymbolNamed>;

// A plain, unsorted list of shared items found by symbol. T is TSymbol or a class derived
// from it; the lists of series and of label lists instantiate it with their own item type,
// so that items come back typed without casts.
template <class T>
class TSymbolListOf : public TSharedList<T> {
public:
    using typename TSharedList<T>::ItemPtr;
    using TSharedList<T>::count;
    using TSharedList<T>::get;

    // --- lookups --------------------------------------------------------------------------
    const ItemPtr& symbolItem(int index) const { return get(index); }
    // First item whose symbol equals symbol, ignoring the case of a..z.
    std::optional<int> findSymbol(std::string_view symbol) const {
        for (int i = 0; i < count(); ++i)
            if (sameSymbol(m_items[static_cast<std::size_t>(i)]->symbol(), symbol)) return i;
        return std::nullopt;
    }
    // The same search returning the item, or nullptr.
    ItemPtr findSymbolItem(std::string_view symbol) const {
        const auto index = findSymbol(symbol);
        return index ? m_items[static_cast<std::size_t>(*index)] : nullptr;
    }

protected:
    using TSharedList<T>::m_items;
};

// Adds the lookup by name. T is TSymbolNamed or a class derived from it.
template <class T>
class TSymbolNamedListOf : public TSymbolListOf<T> {
public:
    using typename TSymbolListOf<T>::ItemPtr;

    const ItemPtr& namedItem(int index) const { return this->get(index); }
    // First item whose name equals name exactly (case-sensitive).
    std::optional<int> findName(std::string_view name) const {
        for (int i = 0; i < this->count(); ++i)
            if (this->m_items[static_cast<std::size_t>(i)]->name() == name) return i;
        return std::nullopt;
    }
    // The same search returning the item, or nullptr.
    ItemPtr findNameItem(std::string_view name) const {
        const auto index = findName(name);
        return index ? this->m_items[static_cast<std::size_t>(*index)] : nullptr;
    }
};

using TSymbolList = TSymbolListOf<TSymbol>;
using TSymbolNamedList = TSymbolNamedListOf<TSymbolNamed>;
using TSymbolListPtr = std::shared_ptr<TSymbolList>;
using TSymbolNamedListPtr = std::shared_ptr<TSymbolNamedList>;

inline TSymbolNamedPtr newSymbolNamed(std::string_view symbol, std::string_view name) {
    return std::make_shared<TSymbolNamed>(symbol, name);
}
