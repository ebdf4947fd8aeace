// A plain, unsorted list of shared items, the base of the model's named lists. Null items
// are refused.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "model/ModelErrors.h"

template <class T>
class TSharedList {
public:
    using Item = T;
    using ItemPtr = std::shared_ptr<T>;

    virtual ~TSharedList() = default;

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
        if (index < 0 || index > count()) throw EListError::indexOutOfBounds(index);
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

protected:
    void checkIndex(int index) const {
        if (index < 0 || index >= count()) throw EListError::indexOutOfBounds(index);
    }
    static void checkItem(const ItemPtr& item) {
        if (!item) throw EListError("Empty list item");
    }

    std::vector<ItemPtr> m_items;
};
