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

#include "ModelErrors.h"

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

    const std::string& getSymbol() const { return m_symbol; }
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

    const std::string& getName() const { return m_name; }
    virtual void setName(std::string_view value);

protected:
    std::string m_name;
};

using TSymbolPtr = std::shared_ptr<TSymbol>;
using TSymbolNamedPtr = std::shared_ptr<TSymbolNamed>;

// A plain, unsorted list of shared items found by symbol. T is TSymbol or a class derived
// from it; the lists of series and of label lists instantiate it with their own item type,
// so that items come back typed without casts. Null items are refused.
template <class T>
class TSymbolListOf {
public:
    using Item = T;
    using ItemPtr = std::shared_ptr<T>;

    virtual ~TSymbolListOf() = default;

    // --- the basic list -------------------------------------------------------------------
    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    int capacity() const { return static_cast<int>(m_items.capacity()); }
    void setCapacity(int value) {
        if (value > count()) m_items.reserve(static_cast<std::size_t>(value));
    }
    void clear() { m_items.clear(); }
    // Throws EListError "List index out of bounds (%d)" outside 0..count() - 1.
    const ItemPtr& get(int index) const {
        checkIndex(index);
        return m_items[static_cast<std::size_t>(index)];
    }
    void put(int index, ItemPtr item) {
        checkIndex(index);
        checkItem(item);
        m_items[static_cast<std::size_t>(index)] = std::move(item);
    }
    // Appends; returns the new item's index. No sorting, no duplicate check.
    int add(ItemPtr item) {
        checkItem(item);
        m_items.push_back(std::move(item));
        return count() - 1;
    }
    // Inserts at index (0..count()).
    void insert(int index, ItemPtr item) {
        if (index < 0 || index > count()) throw EListError(indexMessage(index));
        checkItem(item);
        m_items.insert(m_items.begin() + index, std::move(item));
    }
    void deleteItem(int index) {
        checkIndex(index);
        m_items.erase(m_items.begin() + index);
    }
    void exchange(int index1, int index2) {
        checkIndex(index1);
        checkIndex(index2);
        std::swap(m_items[static_cast<std::size_t>(index1)],
                  m_items[static_cast<std::size_t>(index2)]);
    }
    const ItemPtr& first() const { return get(0); }
    const ItemPtr& last() const { return get(count() - 1); }
    // Index of the first reference to this very object.
    std::optional<int> indexOf(const std::shared_ptr<const T>& item) const {
        for (int i = 0; i < count(); ++i)
            if (m_items[static_cast<std::size_t>(i)] == item) return i;
        return std::nullopt;
    }
    // Removes the first reference to item; its former index.
    std::optional<int> remove(const std::shared_ptr<const T>& item) {
        const auto index = indexOf(item);
        if (index) m_items.erase(m_items.begin() + *index);
        return index;
    }
    const std::vector<ItemPtr>& items() const { return m_items; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

    // --- lookups --------------------------------------------------------------------------
    const ItemPtr& getSymbolItem(int index) const { return get(index); }
    // First item whose symbol equals symbol, ignoring the case of a..z.
    std::optional<int> findSymbol(std::string_view symbol) const {
        for (int i = 0; i < count(); ++i)
            if (sameSymbol(m_items[static_cast<std::size_t>(i)]->getSymbol(), symbol)) return i;
        return std::nullopt;
    }
    // The same search returning the item, or nullptr.
    ItemPtr findSymbolItem(std::string_view symbol) const {
        const auto index = findSymbol(symbol);
        return index ? m_items[static_cast<std::size_t>(*index)] : nullptr;
    }

protected:
    void checkIndex(int index) const {
        if (index < 0 || index >= count()) throw EListError(indexMessage(index));
    }
    static void checkItem(const ItemPtr& item) {
        if (!item) throw EListError("Empty list item");
    }
    static std::string indexMessage(int index) {
        return "List index out of bounds (" + std::to_string(index) + ")";
    }

    std::vector<ItemPtr> m_items;
};

// Adds the lookup by name. T is TSymbolNamed or a class derived from it.
template <class T>
class TSymbolNamedListOf : public TSymbolListOf<T> {
public:
    using typename TSymbolListOf<T>::ItemPtr;

    const ItemPtr& getNamedItem(int index) const { return this->get(index); }
    // First item whose name equals name exactly (case-sensitive).
    std::optional<int> findName(std::string_view name) const {
        for (int i = 0; i < this->count(); ++i)
            if (this->m_items[static_cast<std::size_t>(i)]->getName() == name) return i;
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
