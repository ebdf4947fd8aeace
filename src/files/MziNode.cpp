// Element handles over pugixml: attribute conversions, text, serialisation and item lists.
#include "files/MziNode.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "model/DecimalText.h"

namespace {

// Long values would swamp a message box; the first 60 characters are enough to find them. The
// text is UTF-8: it is cut before the first byte of a character, never inside one.
std::string shortened(std::string_view text) {
    constexpr std::size_t shown = 60;
    std::size_t characters = 0;
    for (std::size_t end = 0; end < text.size(); ++end) {
        const bool starts = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (starts && characters++ == shown) return std::string(text.substr(0, end)) + "...";
    }
    return std::string(text);
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <class T>
constexpr const char* typeDescription() {
    if constexpr (std::is_same_v<T, TMziInteger>) return "a 32-bit integer";
    if constexpr (std::is_same_v<T, TMziInt64>) return "a 64-bit integer";
    if constexpr (std::is_same_v<T, TMziDouble>) return "a number";
    return "a boolean (true or false)";
}

// A number beyond the double range as the nearest double: the largest one, or zero. The 15-digit
// text of the largest doubles lies beyond it ("1.79769313486232e+308"), and a value we wrote must
// read back. Only for texts that from_chars took whole: [-]digits[.digits][(e|E)[+|-]digits].
double saturated(std::string_view text) {
    const auto e = std::min(text.find_first_of("eE"), text.size());
    const std::string_view mantissa = text.substr(0, e);
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    // Never npos: a zero mantissa is never out of range.
    const auto first = static_cast<long long>(mantissa.find_first_of("123456789"));
    std::string_view digits = text.substr(std::min(e + 1, text.size()));
    const bool down = digits.starts_with('-');
    if (down || digits.starts_with('+')) digits.remove_prefix(1);
    // Any exponent beyond a billion is beyond any range, and the sum below cannot overflow.
    constexpr long long huge = 1'000'000'000;
    long long exponent = 0;
    if (e < text.size() &&
        std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec != std::errc())
        exponent = huge;  // too long even for 64 bits
    exponent = std::min(exponent, huge);
    // The decimal order of the first significant digit.
    const long long order = point - first - (first < point ? 1 : 0) + (down ? -exponent : exponent);
    const double magnitude = order > 0 ? std::numeric_limits<double>::max() : 0.0;
    return mantissa.starts_with('-') ? -magnitude : magnitude;
}

template <class T>
std::optional<T> parseNumber(std::string_view text) {
    // from_chars wants the bare number; a leading '+' is still a number to a reader.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (ptr != end || error != std::errc()) return std::nullopt;
    return value;
}

// Doubles are read like every decimal text of the program, finite values only; older documents
// wrote them with the decimal separator of the writer's number settings, which that reader
// takes too. It refuses values beyond the range of a double, whose nearest double is taken here
// instead: the 15-digit text of the largest doubles lies just beyond it.
std::optional<double> parseDouble(std::string_view text) {
    if (auto value = parseDecimal(text)) return value;
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    std::string pointed(text);
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    double value = 0.0;
    const char* end = pointed.data() + pointed.size();
    const auto [ptr, error] = std::from_chars(pointed.data(), end, value);
    if (ptr != end || error != std::errc::result_out_of_range) return std::nullopt;
    return saturated(pointed);
}

std::optional<bool> parseBoolean(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');  // ASCII, not the locale
    if (lower == "true" || lower == "1") return true;
    if (lower == "false" || lower == "0") return false;
    return std::nullopt;
}

// The text form of a value: doubles in the general form with at most 15 significant digits and
// '.' as separator, whatever the user's number settings, so that any machine reads them back.
template <class T>
std::string_view formatValue(T value, std::array<char, 40>& buffer) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? "true" : "false";
    } else {
        std::to_chars_result result;
        if constexpr (std::is_same_v<T, double>)
            result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::general, 15);
        else
            result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        return {buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())};
    }
}

bool isElement(const pugi::xml_node& node) {
    return node.type() == pugi::node_element;
}

bool isText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

bool hasElementChild(const pugi::xml_node& node) {
    return std::any_of(node.begin(), node.end(), isElement);
}

struct TStringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

// The character data of an element lies in its text children; an element child means there is
// none of its own.
std::vector<pugi::xml_node> textPieces(const pugi::xml_node& element, const char* action) {
    if (hasElementChild(element))
        throw EMziError(std::string("Cannot ") + action + " the text of element " +
                        inQuotes(element.name()) + ": it has child elements");
    std::vector<pugi::xml_node> pieces;
    std::copy_if(element.begin(), element.end(), std::back_inserter(pieces), isText);
    return pieces;
}

}  // namespace

pugi::xml_parse_result TMziDocument::parseInPlace(TMziBytes bytes, std::size_t size,
                                                  unsigned options) {
    // The old tree goes first: it points into the old bytes.
    reset();
    forgetItemPositions();
    m_deleted = {};
    m_source = std::move(bytes);
    return load_buffer_inplace(m_source.get(), size, options, pugi::encoding_utf8);
}

TMziDocument::TItemPosition* TMziDocument::findPosition(pugi::xml_node parent, const char* tag) {
    for (TItemPosition& position : m_positions)
        if (position.tag && position.parent == parent && std::strcmp(position.tag, tag) == 0)
            return &position;
    return nullptr;
}

TMziDocument::TItemPosition& TMziDocument::position(pugi::xml_node parent, const char* tag) {
    if (TItemPosition* known = findPosition(parent, tag)) return *known;
    TItemPosition& fresh = m_positions[m_nextPosition++ % m_positions.size()];
    fresh = TItemPosition();
    fresh.parent = parent;
    fresh.tag = tag;
    return fresh;
}

int TMziDocument::itemCount(pugi::xml_node parent, const char* tag) {
    TItemPosition& position = this->position(parent, tag);
    if (position.count < 0) {
        // From the item reached last, when there is one: the items before it are known.
        int count = position.node ? position.index : 0;
        for (pugi::xml_node node = position.node ? position.node : parent.child(tag); node;
             node = node.next_sibling(tag))
            ++count;
        position.count = count;
    }
    return position.count;
}

pugi::xml_node TMziDocument::itemAt(pugi::xml_node parent, const char* tag, int index) {
    if (index < 0) return {};
    TItemPosition& position = this->position(parent, tag);
    if (position.count >= 0 && index >= position.count) return {};
    // Walk from the nearest known item: the first, the one reached last or the last.
    int at = 0;
    pugi::xml_node node = parent.child(tag);
    if (position.node && std::abs(index - position.index) < index) {
        at = position.index;
        node = position.node;
    }
    if (position.count > 0 && position.count - 1 - index < std::abs(index - at)) {
        at = position.count - 1;
        node = parent.last_child();
        if (std::strcmp(node.name(), tag) != 0) node = node.previous_sibling(tag);
    }
    for (; node && at < index; ++at) node = node.next_sibling(tag);
    for (; at > index; --at) node = node.previous_sibling(tag);
    if (!node) {
        position.count = at;  // the walk went past the last item
        return {};
    }
    position.index = index;
    position.node = node;
    return node;
}

void TMziDocument::itemInserted(pugi::xml_node parent, const char* tag, int index) {
    if (TItemPosition* position = findPosition(parent, tag)) {
        if (position->count >= 0) ++position->count;
        if (position->node && position->index >= index) ++position->index;
    }
}

void TMziDocument::itemRemoved(pugi::xml_node parent, const char* tag, int index) {
    if (TItemPosition* position = findPosition(parent, tag)) {
        if (position->count >= 0) --position->count;
        if (position->index == index) position->node = {};
        if (position->node && position->index > index) --position->index;
    }
}

void TMziDocument::itemsCleared(pugi::xml_node parent, const char* tag) {
    if (TItemPosition* position = findPosition(parent, tag)) {
        position->count = 0;
        position->node = {};
    }
}

void TMziDocument::forgetItemPositions() {
    m_positions.fill({});
}

void TMziDocument::keepDeleted(pugi::xml_node node) {
    // A name no XML element can have: nothing read from a file is ever taken for the holder.
    if (!m_deleted) m_deleted = append_child("#deleted");
    m_deleted.append_move(node);
}

bool TMziDocument::isDeleted(pugi::xml_node node) const {
    if (!m_deleted) return false;
    for (; node; node = node.parent())
        if (node == m_deleted) return true;
    return false;
}

pugi::xml_node TXMLNode::checkedNode() const {
    if (m_document->isDeleted(m_node))
        throw EMziError("Element " + inQuotes(m_node.name()) +
                        " has been deleted from its document");
    return m_node;
}

int TXMLNode::attributeCount() const {
    const auto attributes = checkedNode().attributes();
    return static_cast<int>(std::distance(attributes.begin(), attributes.end()));
}

bool TXMLNode::hasChildElements() const {
    return hasElementChild(checkedNode());
}

std::string TXMLNode::text() const {
    std::string result;
    for (const pugi::xml_node& piece : textPieces(checkedNode(), "read")) result += piece.value();
    return result;
}

void TXMLNode::setText(std::string_view value) {
    pugi::xml_node node = checkedNode();
    textPieces(node, "set");
    // Only text goes: no handle holds a text node.
    while (node.first_child()) node.remove_child(node.first_child());
    if (!value.empty()) node.append_child(pugi::node_pcdata).set_value(value.data(), value.size());
}

std::string_view TXMLNode::textView() {
    const std::vector<pugi::xml_node> pieces = textPieces(checkedNode(), "read");
    if (pieces.empty()) return {};
    if (pieces.size() == 1) return pieces.front().value();
    setText(text());
    return m_node.first_child().value();
}

std::string TXMLNode::xml() const {
    TStringWriter writer;
    checkedNode().print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.text);
}

template <class T>
T TXMLNode::attributeValue(const char* name) const {
    const pugi::xml_attribute attribute = checkedNode().attribute(name);
    if constexpr (std::is_same_v<T, std::string>) {
        return attribute.value();
    } else {
        const std::string_view text = trimmed(attribute.value());
        if (text.empty()) return T{};
        std::optional<T> value;
        if constexpr (std::is_same_v<T, bool>)
            value = parseBoolean(text);
        else if constexpr (std::is_same_v<T, double>)
            value = parseDouble(text);
        else
            value = parseNumber<T>(text);
        if (!value)
            throw EMziError("Attribute " + inQuotes(name) + " of element " +
                            inQuotes(m_node.name()) + " holds " +
                            inQuotes(shortened(attribute.value())) + ", which is not " +
                            typeDescription<T>());
        return *value;
    }
}

template <class T>
void TXMLNode::setAttributeValue(const char* name, TMziParam<T> value) {
    pugi::xml_node node = checkedNode();
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) attribute = node.append_attribute(name);
    std::array<char, 40> buffer;
    std::string_view text;
    if constexpr (std::is_same_v<T, std::string>)
        text = value;
    else
        text = formatValue<T>(value, buffer);
    attribute.set_value(text.data(), text.size());
}

template TMziString TXMLNode::attributeValue<TMziString>(const char*) const;
template TMziInteger TXMLNode::attributeValue<TMziInteger>(const char*) const;
template TMziInt64 TXMLNode::attributeValue<TMziInt64>(const char*) const;
template TMziDouble TXMLNode::attributeValue<TMziDouble>(const char*) const;
template TMziBoolean TXMLNode::attributeValue<TMziBoolean>(const char*) const;
template void TXMLNode::setAttributeValue<TMziString>(const char*, std::string_view);
template void TXMLNode::setAttributeValue<TMziInteger>(const char*, TMziInteger);
template void TXMLNode::setAttributeValue<TMziInt64>(const char*, TMziInt64);
template void TXMLNode::setAttributeValue<TMziDouble>(const char*, TMziDouble);
template void TXMLNode::setAttributeValue<TMziBoolean>(const char*, TMziBoolean);

pugi::xml_node TXMLNode::childNode(const char* tag) {
    pugi::xml_node node = checkedNode();
    if (pugi::xml_node child = node.child(tag)) return child;
    pugi::xml_node child = node.append_child(tag);
    m_document->itemInserted(node, tag, TMziDocument::appended);
    return child;
}

// --- item lists ------------------------------------------------------------------------------

int TXMLNodeListBase::count() const {
    return m_parent.ownerDocument()->itemCount(m_parent.checkedNode(), m_tag);
}

pugi::xml_node TXMLNodeListBase::nodeAt(int index) const {
    const pugi::xml_node node =
        m_parent.ownerDocument()->itemAt(m_parent.checkedNode(), m_tag, index);
    if (!node) throw EMziError("List index out of bounds (" + std::to_string(index) + ")");
    return node;
}

pugi::xml_node TXMLNodeListBase::appendNode() {
    pugi::xml_node parent = m_parent.checkedNode();
    const pugi::xml_node node = parent.append_child(m_tag);
    m_parent.ownerDocument()->itemInserted(parent, m_tag, TMziDocument::appended);
    return node;
}

pugi::xml_node TXMLNodeListBase::insertNode(int index) {
    if (index == count()) return appendNode();
    pugi::xml_node parent = m_parent.node();
    const pugi::xml_node node = parent.insert_child_before(m_tag, nodeAt(index));
    m_parent.ownerDocument()->itemInserted(parent, m_tag, index);
    return node;
}

void TXMLNodeListBase::deleteItem(int index) {
    m_parent.ownerDocument()->keepDeleted(nodeAt(index));
    m_parent.ownerDocument()->itemRemoved(m_parent.node(), m_tag, index);
}

void TXMLNodeListBase::clear() {
    pugi::xml_node parent = m_parent.checkedNode();
    while (pugi::xml_node node = parent.child(m_tag)) m_parent.ownerDocument()->keepDeleted(node);
    m_parent.ownerDocument()->itemsCleared(parent, m_tag);
}
