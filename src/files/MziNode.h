// Element handles over the pugixml DOM, typed attributes, children, item lists and the error type.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <pugixml.hpp>

// Everything that goes wrong while reading or writing a .mzi document; what() is the message
// the user sees.
class EMziError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The five value types of attributes. Strings are set from a view so that literals, std::string
// and slices all pass without a copy.
using TMziString = std::string;
using TMziInteger = std::int32_t;
using TMziInt64 = std::int64_t;
using TMziDouble = double;
using TMziBoolean = bool;

template <class T>
struct TMziSetterParam {
    using type = T;
};
template <>
struct TMziSetterParam<std::string> {
    using type = std::string_view;
};
template <class T>
using TMziParam = typename TMziSetterParam<T>::type;

template <class TItem>
class TXMLNodeList;

// Frees what std::malloc gave.
struct TMziFree {
    void operator()(char* bytes) const noexcept { std::free(bytes); }
};
using TMziBytes = std::unique_ptr<char, TMziFree>;

// The bytes a document was parsed from. Names and texts of the tree point into them, so they are
// a base that goes after the tree.
class TMziSourceBytes {
protected:
    TMziBytes m_source;
};

// The document that the handles share: the pugixml tree, the bytes it was parsed from, the items
// deleted through list views, and where the last items reached in a few item lists are, so that
// reading the items of a list in turn by index costs a step each rather than a walk from the
// first.
//
// Deleted items are not freed: they move under a holder element beside the root, outside the
// document's content, so that a handle on one (or on anything inside it) never reaches freed
// memory and can tell that it was deleted. They go with the document.
//
// The item positions follow the changes made through handles and list views. Whoever changes
// the children of an element with pugixml directly calls forgetItemPositions() afterwards, and
// never removes nodes that handles may hold (pugixml frees them).
class TMziDocument : private TMziSourceBytes, public pugi::xml_document {
public:
    // Parses UTF-8 bytes where they lie, without a copy; the document keeps them.
    pugi::xml_parse_result parseInPlace(TMziBytes bytes, std::size_t size, unsigned options);

    // The children of parent that carry tag: how many, and the index-th of them (null outside).
    int itemCount(pugi::xml_node parent, const char* tag);
    pugi::xml_node itemAt(pugi::xml_node parent, const char* tag, int index);
    // What list views report after changing such children. An item appended last is inserted at
    // appended.
    static constexpr int appended = std::numeric_limits<int>::max();
    void itemInserted(pugi::xml_node parent, const char* tag, int index);
    void itemRemoved(pugi::xml_node parent, const char* tag, int index);
    void itemsCleared(pugi::xml_node parent, const char* tag);
    void forgetItemPositions();

    // Takes node and its subtree out of the tree, keeping their memory.
    void keepDeleted(pugi::xml_node node);
    // Whether node, or an element around it, was deleted.
    bool isDeleted(pugi::xml_node node) const;

private:
    struct TItemPosition {
        pugi::xml_node parent;
        const char* tag = nullptr;
        int count = -1;  // not known yet
        int index = -1;  // of node, the item reached last
        pugi::xml_node node;
    };
    TItemPosition* findPosition(pugi::xml_node parent, const char* tag);
    TItemPosition& position(pugi::xml_node parent, const char* tag);

    // A few lists at once: a loop over the items of one list that reads lists inside each item.
    std::array<TItemPosition, 8> m_positions;
    std::size_t m_nextPosition = 0;
    pugi::xml_node m_deleted;  // made at the first deletion
};

// A handle on one element: cheap to copy, and it shares ownership of the document, so the DOM
// lives as long as any handle (or list view) on it does. Const methods leave the document as it
// is; the others may change it, single-child access included (it creates a missing child).
class TXMLNode {
public:
    TXMLNode(std::shared_ptr<TMziDocument> document, pugi::xml_node node)
        : m_document(std::move(document)), m_node(node) {}

    // Generic access to the DOM underneath.
    pugi::xml_node node() const { return m_node; }
    // The node, or EMziError when the element was deleted: every other operation of a handle or
    // list view checks its element so.
    pugi::xml_node checkedNode() const;
    const std::shared_ptr<TMziDocument>& ownerDocument() const { return m_document; }
    std::string tagName() const { return checkedNode().name(); }
    int attributeCount() const;
    bool hasChildElements() const;

    // The element's character data. Both throw EMziError when the element has element children:
    // there is no text of its own to read, and replacing it would drop those children.
    std::string text() const;
    void setText(std::string_view value);
    // The same text without a copy, for long point data: a view into the document, valid until
    // the element's text changes or the document goes. Text in several pieces (CDATA sections)
    // is first joined into one; the content stays the same.
    std::string_view textView();

    // Markup of the element and its subtree, UTF-8, without indentation or line breaks.
    std::string xml() const;

    // Typed access by name, which the element types' accessors are made of. Absent or blank
    // attributes read as 0, false or ""; text that does not convert throws EMziError.
    template <class T>
    T attributeValue(const char* name) const;
    template <class T>
    void setAttributeValue(const char* name, TMziParam<T> value);

    // The first child with that tag; a missing one is created empty as the last child.
    template <class TChild>
    TChild child(const char* tag) {
        return TChild(m_document, childNode(tag));
    }
    template <class TItem>
    TXMLNodeList<TItem> children(const char* tag) const {
        return TXMLNodeList<TItem>(*this, tag);
    }

private:
    pugi::xml_node childNode(const char* tag);

    std::shared_ptr<TMziDocument> m_document;
    pugi::xml_node m_node;
};

// Walks the children of one tag in document order; dereferencing wraps the node. It holds the
// document itself, so it stays valid when the list or element it came from was a temporary.
template <class TItem>
class TXMLItemIterator {
public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;  // items are made on dereference
    using value_type = TItem;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TItem;

    TXMLItemIterator() = default;
    TXMLItemIterator(std::shared_ptr<TMziDocument> document, pugi::xml_node node, const char* tag)
        : m_document(std::move(document)), m_node(node), m_tag(tag) {}

    TItem operator*() const { return TItem(m_document, m_node); }
    TXMLItemIterator& operator++() {
        m_node = m_node.next_sibling(m_tag);
        return *this;
    }
    TXMLItemIterator operator++(int) {
        TXMLItemIterator before = *this;
        ++*this;
        return before;
    }
    friend bool operator==(const TXMLItemIterator& a, const TXMLItemIterator& b) {
        return a.m_node == b.m_node;
    }

private:
    std::shared_ptr<TMziDocument> m_document;
    pugi::xml_node m_node;
    const char* m_tag = "";  // a literal, like every tag
};

// The children of one parent that carry one tag, other children left aside. Positions count only
// those children, in document order. Tags are string literals (or live as long as the program):
// views and their iterators keep the pointer, not a copy.
class TXMLNodeListBase {
public:
    int count() const;
    // deleteItem, like item(), throws EMziError "List index out of bounds (i)" outside
    // 0..count() - 1. Handles on a deleted item or anything inside it throw EMziError when used.
    void deleteItem(int index);
    void clear();

protected:
    TXMLNodeListBase(TXMLNode parent, const char* tag) : m_parent(std::move(parent)), m_tag(tag) {}

    pugi::xml_node nodeAt(int index) const;
    pugi::xml_node appendNode();
    // Before the index-th item; index == count() appends. Throws outside 0..count().
    pugi::xml_node insertNode(int index);

    TXMLNode m_parent;
    const char* m_tag;
};

template <class TItem>
class TXMLNodeList : public TXMLNodeListBase {
public:
    TXMLNodeList(TXMLNode parent, const char* tag) : TXMLNodeListBase(std::move(parent), tag) {}

    TItem item(int index) const { return wrap(nodeAt(index)); }
    TItem operator[](int index) const { return item(index); }
    TItem add() { return wrap(appendNode()); }
    TItem insert(int index) { return wrap(insertNode(index)); }

    TXMLItemIterator<TItem> begin() const {
        return {m_parent.ownerDocument(), m_parent.checkedNode().child(m_tag), m_tag};
    }
    TXMLItemIterator<TItem> end() const { return {}; }

private:
    TItem wrap(pugi::xml_node node) const { return TItem(m_parent.ownerDocument(), node); }
};

// An item tag as a template argument, so that a collection type names its items once.
template <std::size_t N>
struct TMziTag {
    constexpr TMziTag(const char (&text)[N]) { std::copy_n(text, N, name); }
    char name[N];
};

// An element whose children are a list of items with one tag; it may have attributes too.
template <class TItem, TMziTag Tag>
class TXMLCollection : public TXMLNode {
public:
    TXMLCollection(std::shared_ptr<TMziDocument> document, pugi::xml_node node)
        : TXMLNode(std::move(document), node) {}

    TXMLNodeList<TItem> items() const { return children<TItem>(Tag.name); }
    int count() const { return items().count(); }
    TItem item(int index) const { return items().item(index); }
    TItem operator[](int index) const { return item(index); }
    TItem add() { return items().add(); }
    TItem insert(int index) { return items().insert(index); }
    void deleteItem(int index) { items().deleteItem(index); }
    void clear() { items().clear(); }

    TXMLItemIterator<TItem> begin() const { return items().begin(); }
    TXMLItemIterator<TItem> end() const { return {}; }
};

template <class... Parts>
struct TMziParts {};

// An element type: Base (TXMLNode, a collection or another element type) and, in declared
// order, the mixins that give it its named attributes and children. TBase and TDeclared let
// generic code walk the declarations; each mixin says what it declares (see below).
template <class Self, class Base, template <class> class... Parts>
class TXMLElement : public Base, public Parts<Self>... {
public:
    using TBase = Base;
    using TDeclared = TMziParts<Parts<Self>...>;

    TXMLElement(std::shared_ptr<TMziDocument> document, pugi::xml_node node)
        : Base(std::move(document), node) {}
};

#define MZI_TYPE(Type, Base, ...)                                            \
    class Type : public TXMLElement<Type, Base __VA_OPT__(, ) __VA_ARGS__> { \
    public:                                                                  \
        using TXMLElement::TXMLElement;                                      \
    }

#define MZI_COLLECTION(Type, Item, itemTag, ...)                                               \
    class Type                                                                                 \
        : public TXMLElement<Type, TXMLCollection<Item, itemTag> __VA_OPT__(, ) __VA_ARGS__> { \
    public:                                                                                    \
        using TXMLElement::TXMLElement;                                                        \
    }

// One line declares a typed attribute as a mixin: Kind is String, Integer, Int64, Double or
// Boolean; TValue and attributeName tell it to generic code. Mixins reach the element through
// the derived type (Self).
#define MZI_ATTRIBUTE(Mixin, Kind, getter, setter, xmlName)                                  \
    template <class Self>                                                                    \
    struct Mixin {                                                                           \
        using TValue = TMzi##Kind;                                                           \
        static constexpr const char* attributeName = xmlName;                                \
        TValue getter() const {                                                              \
            return static_cast<const Self&>(*this).template attributeValue<TValue>(xmlName); \
        }                                                                                    \
        void setter(TMziParam<TValue> value) {                                               \
            static_cast<Self&>(*this).template setAttributeValue<TValue>(xmlName, value);    \
        }                                                                                    \
    }

// What a child mixin tells code that walks the declarations: the child's type, tag and whether
// it repeats.
template <class Type, TMziTag Tag, bool Repeated>
struct TMziChildPart {
    using TChild = Type;
    static constexpr const char* childName = Tag.name;
    static constexpr bool repeated = Repeated;
};

// A child that occurs at most once; reaching a missing one creates it.
#define MZI_CHILD(Mixin, Type, getter, xmlName)                                           \
    template <class Self>                                                                 \
    struct Mixin : TMziChildPart<Type, xmlName, false> {                                  \
        Type getter() { return static_cast<Self&>(*this).template child<Type>(xmlName); } \
    }

// A child that repeats inside a plain element, reached as a list view.
#define MZI_CHILDREN(Mixin, Type, getter, xmlName)                                   \
    template <class Self>                                                            \
    struct Mixin : TMziChildPart<Type, xmlName, true> {                              \
        TXMLNodeList<Type> getter() const {                                          \
            return static_cast<const Self&>(*this).template children<Type>(xmlName); \
        }                                                                            \
    }
