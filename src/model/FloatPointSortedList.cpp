// The sorted point list: searches, bounds, interpolation, the point text and the sealed form.
#include "model/FloatPointSortedList.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "model/Base64.h"
#include "model/DecimalText.h"
#include "model/ModelErrors.h"

namespace {

// Sorts by the list's order. Items whose key does not compare equal to itself (NaN or
// infinite keys) would break the strict weak order that std::sort relies on, so they are
// moved behind the others first and left in arrival order.
void sortItems(std::vector<TFloatPointRec>::iterator begin,
               std::vector<TFloatPointRec>::iterator end, TPointCompare compare) {
    const auto ordered = std::stable_partition(
        begin, end, [compare](const TFloatPointRec& p) { return compare(p, p) == 0.0; });
    std::sort(begin, ordered, [compare](const TFloatPointRec& a, const TFloatPointRec& b) {
        return compare(a, b) < 0.0;
    });
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Tokens of point text are separated by any character with a code of 32 or below.
inline bool isSeparator(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The digit checksum of the point text, kept as running state so that the writer and the reader
// sum the digits while they format or cut the numbers instead of passing over the text again.
//
// The stored checksum is defined digit by digit as C := w - C, with w the digit shifted left by
// (k mod 8), so that every step negates all that came before. Unrolled, the same value is an
// alternating sum whose overall sign is fixed only at the end:
//   digits w0, w1, w2:  C = w2 - (w1 - w0) = +(w0 - w1 + w2)
//   digits w0, w1:      C = w1 - w0        = -(w0 - w1)
// Here each digit adds (even k) or subtracts (odd k) its own term, independent of the others,
// so the compiler may regroup the additions of a number's digits inside the writer's loop, and
// value() takes the sign from the parity of the number of digits.
struct TChecksum {
    std::int64_t sum = 0;  // sum of (-1)^k w_k
    std::uint64_t k = 0;   // digits seen
    void digit(char c) {
        const std::int64_t w = static_cast<std::int64_t>(c - '0') << (k & 7u);
        sum += (k & 1u) ? -w : w;
        ++k;
    }
    void text(std::string_view s) {
        for (char c : s)
            if (isDigit(c)) digit(c);
    }
    std::int64_t value() const { return (k & 1u) ? sum : -sum; }
};

[[noreturn]] void throwNotAFloat(std::string_view token) {
    throw EConvertError("'" + std::string(token) + "' is not a valid floating point value");
}

// A token of point text as a number; the error names the token.
double parseFloat(std::string_view token) {
    const std::optional<double> value = parseDecimal(token);
    if (!value) throwNotAFloat(token);
    return *value;
}

// Formats |value| < 1e12 with 1 to 6 decimals exactly as printf("%.*f") does; returns the length
// written to buf, or 0 for any other value, which then takes to_chars' general path.
//
// Why it is shaped so: the checksum covers the printed digits, so the last digit must be the
// one printf prints: the exact binary value rounded half to even, never a double rounding.
// to_chars gives that too but through its general machinery, and this writer formats two
// numbers per point for millions of points. For the magnitudes of spectra the exact answer is
// cheap: with value = m * 2^e (m the 53-bit mantissa), value * 10^d = (m * 10^d) * 2^e, and
// m * 10^d < 2^53 * 2^20 fits in 128 bits. Shifting it right by -e, with the bits shifted out
// as the exact remainder, gives q = value * 10^d rounded to an integer; q's decimal digits with
// a point before the last d of them are the printed text.
__extension__ using TUInt128 = unsigned __int128;

inline int formatFixedFast(double value, int decimals, char* buf) {
    static constexpr std::uint64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    if (!(std::fabs(value) < 1e12) || decimals < 1 || decimals > 6) return 0;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const TUInt128 scaled = static_cast<TUInt128>(mantissa) * kPow10[decimals];
    std::uint64_t q = 0;
    if (exponent >= 0) {
        q = static_cast<std::uint64_t>(scaled << exponent);  // below 1e12 * 1e6 < 2^60
    } else if (exponent > -128) {
        // Round half to even: up when the remainder is above half, or exactly half and the
        // quotient odd. (For exponents of -128 and below, value * 10^d < 2^-55: q stays 0.)
        const int shift = -exponent;
        const TUInt128 one = 1;
        TUInt128 quotient = scaled >> shift;
        const TUInt128 remainder = scaled & ((one << shift) - 1);
        const TUInt128 half = one << (shift - 1);
        if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
        q = static_cast<std::uint64_t>(quotient);
    }
    char* o = buf;
    if (negative) *o++ = '-';  // printf keeps the sign of values that round to zero
    o = std::to_chars(o, o + 24, q / kPow10[decimals]).ptr;
    *o++ = '.';
    std::uint64_t fraction = q % kPow10[decimals];
    for (int i = decimals - 1; i >= 0; --i) {
        o[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return static_cast<int>(o + decimals - buf);
}

// Appends value formatted as printf("%<width>.<decimals>f") would, right-aligned, and sums
// its digits into the checksum: the fixed form is [-]digits.decimals.
inline char* putFixed(char* out, double value, int width, int decimals, TChecksum& checksum) {
    char buf[400];  // the longest fixed double (309 digits) with sign and decimals fits
    int length = formatFixedFast(value, decimals, buf);
    if (length == 0) {
        const auto result =
            std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        length = static_cast<int>(result.ptr - buf);
        if (!std::isfinite(value)) {
            for (int i = length; i < width; ++i) *out++ = ' ';
            std::memcpy(out, buf, static_cast<std::size_t>(length));
            checksum.text(std::string_view(buf, static_cast<std::size_t>(length)));
            return out + length;
        }
    }
    for (int i = length; i < width; ++i) *out++ = ' ';
    std::memcpy(out, buf, static_cast<std::size_t>(length));
    const int dot = length - decimals - 1;
    for (int i = buf[0] == '-' ? 1 : 0; i < dot; ++i) checksum.digit(buf[i]);
    for (int i = dot + 1; i < length; ++i) checksum.digit(buf[i]);
    return out + length;
}

inline float floatOf(const std::uint8_t* b) {
    // Stored most significant byte first.
    const std::uint32_t word = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                               (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
    return std::bit_cast<float>(word);
}

inline void putFloat(std::uint8_t* b, float value) {
    const auto word = std::bit_cast<std::uint32_t>(value);
    b[0] = static_cast<std::uint8_t>(word >> 24);
    b[1] = static_cast<std::uint8_t>(word >> 16);
    b[2] = static_cast<std::uint8_t>(word >> 8);
    b[3] = static_cast<std::uint8_t>(word);
}

}  // namespace

// Collects points for a list: in arrival order while they come sorted, sorted once by finish()
// otherwise. Stored forms mostly come sorted, and adding one by one would shift the tail for
// every point that does not (quadratic for a reversed text). Under the accept policy the
// result is what adding one by one would give (equal keys adjacent, in no defined order);
// other policies need the search per point and add directly.
class TFloatPointSortedList::TBulkAdd {
public:
    // The points added one by one under another policy are announced once, by the caller.
    explicit TBulkAdd(TFloatPointSortedList& list) : m_list(list) { ++m_list.m_quiet; }
    TBulkAdd(const TBulkAdd&) = delete;
    TBulkAdd& operator=(const TBulkAdd&) = delete;
    // A reading that ends with an exception never reaches finish(), yet the points read so far
    // stay in the list (a failed load keeps what it built) and every later search needs them
    // in order: they are sorted here on the way out.
    ~TBulkAdd() {
        finish();
        --m_list.m_quiet;
    }
    // Puts the points in the list's order; call it when the last point is added.
    void finish() {
        if (m_sorted) return;
        sortItems(m_list.m_items.begin(), m_list.m_items.end(), m_list.m_compare);
        m_sorted = true;
    }
    void add(const TFloatPointRec& p) {
        auto& items = m_list.m_items;
        if (m_list.m_duplicates != TDuplicates::Accept) {
            m_list.add(p);
            return;
        }
        if (m_sorted && !items.empty() && !(m_list.m_compare(items.back(), p) <= 0.0))
            m_sorted = false;
        items.push_back(p);
    }

private:
    TFloatPointSortedList& m_list;
    bool m_sorted = true;
};

TFloatPointSortedList::TFloatPointSortedList(TPointCompare compare, TDuplicates duplicates)
    : m_compare(compare), m_duplicates(duplicates) {}

std::uint64_t TFloatPointSortedList::TRevision::fresh() {
    // The first stretch starts above 0, so that 0 can mean "nothing cached" to callers.
    static std::atomic<std::uint64_t> next{0};
    return next.fetch_add(std::uint64_t{1} << 32, std::memory_order_relaxed) +
           (std::uint64_t{1} << 32);
}

void TFloatPointSortedList::checkIndex(int index) const {
    if (index < 0 || index >= count()) throw EListError::indexOutOfBounds(index);
}

void TFloatPointSortedList::setCapacity(int value) {
    if (value < count())
        throw EListError("List capacity out of bounds (" + std::to_string(value) + ")");
    if (value > capacity()) {
        m_items.reserve(static_cast<std::size_t>(value));
    } else if (value < capacity()) {
        // A vector cannot shrink its storage to a given size in place: move into one that
        // has exactly that room.
        std::vector<TFloatPointRec> items;
        items.reserve(static_cast<std::size_t>(value));
        items.assign(m_items.begin(), m_items.end());
        m_items.swap(items);
    }
}

void TFloatPointSortedList::setCount(int value) {
    if (value < 0) throw EListError("List count out of bounds (" + std::to_string(value) + ")");
    m_items.resize(static_cast<std::size_t>(value));
    pointsChanged();
}

void TFloatPointSortedList::clear() {
    m_items.clear();
    pointsChanged();
}

const TFloatPointRec& TFloatPointSortedList::get(int index) const {
    checkIndex(index);
    return m_items[static_cast<std::size_t>(index)];
}

void TFloatPointSortedList::put(int index, const TFloatPointRec& p) {
    checkIndex(index);
    m_items[static_cast<std::size_t>(index)] = p;
    pointsChanged();
}

void TFloatPointSortedList::deleteItem(int index) {
    checkIndex(index);
    m_items.erase(m_items.begin() + index);
    pointsChanged();
}

void TFloatPointSortedList::exchange(int index1, int index2) {
    checkIndex(index1);
    checkIndex(index2);
    std::swap(m_items[static_cast<std::size_t>(index1)], m_items[static_cast<std::size_t>(index2)]);
    pointsChanged();
}

std::optional<int> TFloatPointSortedList::indexOf(const TFloatPointRec& p) const {
    const auto it = std::find(m_items.begin(), m_items.end(), p);
    if (it == m_items.end()) return std::nullopt;
    return static_cast<int>(it - m_items.begin());
}

void TFloatPointSortedList::insert(int index, const TFloatPointRec& p) {
    if (index < 0 || index > count()) throw EListError::indexOutOfBounds(index);
    m_items.insert(m_items.begin() + index, p);
    pointsChanged();
}

std::optional<int> TFloatPointSortedList::remove(const TFloatPointRec& p) {
    const auto index = indexOf(p);
    if (index) deleteItem(*index);
    return index;
}

void TFloatPointSortedList::setCompare(TPointCompare compare) {
    if (compare == m_compare) return;
    m_compare = compare;
    sort();
}

int TFloatPointSortedList::add(const TFloatPointRec& p) {
    // Points mostly arrive in ascending order: check the last one before bisecting.
    if (!m_items.empty()) {
        const double d = m_compare(m_items.back(), p);
        if (d < 0.0 || (d == 0.0 && m_duplicates == TDuplicates::Accept)) {
            m_items.push_back(p);
            pointsChanged();
            return count() - 1;
        }
    }
    const TNearest at = find(p, 0.0);
    if (at.found) {
        if (m_duplicates == TDuplicates::Ignore) return at.index;
        if (m_duplicates == TDuplicates::Error) throw EListDuplicateError(at.index);
    }
    m_items.insert(m_items.begin() + at.index, p);
    pointsChanged();
    return at.index;
}

void TFloatPointSortedList::addPoints(std::span<const TFloatPointRec> points) {
    if (points.empty()) return;
    if (m_items.capacity() - m_items.size() < points.size())
        m_items.reserve(std::max(m_items.size() + points.size(), m_items.capacity() * 2));
    {
        TBulkAdd bulk(*this);
        for (const auto& p : points) bulk.add(p);
        bulk.finish();
    }
    pointsChanged();
}

TNearest TFloatPointSortedList::findNearest(const TFloatPointRec& key) const {
    TNearest r;
    int hi = count() - 1;
    while (r.index + 1 < hi) {
        const int mid = (r.index + hi) / 2;
        r.diff = m_compare(m_items[static_cast<std::size_t>(mid)], key);
        if (r.diff <= 0.0)
            r.index = mid;
        else
            hi = mid;
    }
    if (!m_items.empty()) {
        r.diff = m_compare(m_items[static_cast<std::size_t>(r.index)], key);
        const double d2 = m_compare(m_items[static_cast<std::size_t>(hi)], key);
        if (d2 < 0.0 || std::fabs(d2) < std::fabs(r.diff)) {
            r.index = hi;
            r.diff = d2;
        }
    }
    r.found = r.diff == 0.0;
    return r;
}

TNearest TFloatPointSortedList::find(const TFloatPointRec& key, double tolerance) const {
    TNearest r = findNearest(key);
    r.found = r.found || std::fabs(r.diff) <= tolerance;
    if (r.diff < -tolerance) ++r.index;
    return r;
}

void TFloatPointSortedList::sort() {
    if (count() > 1) sortItems(m_items.begin(), m_items.end(), m_compare);
    pointsChanged();
}

void TFloatPointSortedList::sortRange(TPointCompare compare, int lo, int hi) {
    if (hi > lo && lo >= 0 && hi < count()) {
        sortItems(m_items.begin() + lo, m_items.begin() + hi + 1, compare);
        pointsChanged();
    }
}

TFloatPointSortedListPtr TFloatPointSortedList::clone() const {
    auto copy = std::make_shared<TFloatPointSortedList>(m_compare, m_duplicates);
    copy->assign(*this);
    return copy;
}

void TFloatPointSortedList::assign(const TFloatPointSortedList& source) {
    // Adding a list's own points to it again would only double them.
    if (&source == this) return;
    m_duplicates = source.m_duplicates;
    // The points already present were sorted by the old order; the additions below search and
    // append by the new one. Announced with them, at the end.
    {
        ++m_quiet;
        struct TLoud {
            int& quiet;
            ~TLoud() { --quiet; }
        } loud{m_quiet};
        setCompare(source.m_compare);
    }
    if (m_items.empty()) m_items.reserve(source.m_items.size());
    {
        TBulkAdd bulk(*this);
        for (const auto& p : source.m_items) bulk.add(p);
        bulk.finish();
    }
    m_minPoint = source.m_minPoint;
    m_maxPoint = source.m_maxPoint;
    pointsChanged();
}

TIndexRange TFloatPointSortedList::findRange(double x1, double x2) const {
    TIndexRange r;
    TNearest n = findNearest({x1, 0.0});
    r.first = n.index;
    if (n.diff < 0.0 && r.first < count() - 1) ++r.first;
    n = findNearest({x2, 0.0});
    r.last = n.index;
    if (n.diff > 0.0 && r.last > 0) --r.last;
    return r;
}

std::optional<TFloatPointRec> TFloatPointSortedList::maxYInRange(double x1, double x2) const {
    if (m_items.empty()) return std::nullopt;
    const TIndexRange r = findRange(x1, x2);
    TFloatPointRec best = m_items[static_cast<std::size_t>(r.first)];
    for (int i = r.first + 1; i <= r.last; ++i)
        if (m_items[static_cast<std::size_t>(i)].y > best.y)
            best = m_items[static_cast<std::size_t>(i)];
    return best;
}

namespace {
// The straight line through a and b at x, with x and the result at 32-bit float precision.
double lerp(const TFloatPointRec& a, const TFloatPointRec& b, double x) {
    if (a.x == b.x) return 0.0;
    const double xf = static_cast<float>(x);
    return static_cast<float>((xf - a.x) * (b.y - a.y) / (b.x - a.x) + a.y);
}
}  // namespace

double TFloatPointSortedList::interpolateY(double x, double tolerance) const {
    const TNearest n = findNearest({x, 0.0});
    // Written so that a NaN x (every difference NaN) counts as farther than any tolerance.
    if (m_items.empty() || (!n.found && !(std::fabs(n.diff) <= tolerance))) return 0.0;
    const auto i = static_cast<std::size_t>(n.index);
    const TFloatPointRec& q = m_items[i];
    if (n.diff > 0.0) return i == 0 ? 0.0 : lerp(m_items[i - 1], q, x);
    if (n.diff < 0.0) return i + 1 == m_items.size() ? 0.0 : lerp(q, m_items[i + 1], x);
    return q.y;
}

TNearest TFloatPointSortedList::findX(double x, double tolerance) const {
    return find({x, x}, tolerance);
}

void TFloatPointSortedList::computeCorners() const {
    const TPointSummary& found = summary();
    m_minPoint = found.minPoint;
    m_maxPoint = found.maxPoint;
}

const TPointSummary& TFloatPointSortedList::summary() const {
    if (hasCurrentSummary()) return m_summary;
    constexpr std::size_t blockSize = TPointSummary::blockSize;
    const std::size_t n = m_items.size();
    TFloatPointRec lo{0.0, 100.0};
    TFloatPointRec hi{0.0, 100.0};
    double stepSum = 0.0;
    int steps = 0;
    bool finiteAscending = true;
    const bool blocksWanted = n >= 2 * blockSize;
    std::vector<TYExtent> blocks(blocksWanted ? (n + blockSize - 1) / blockSize : 0);
    if (n > 0) {
        lo = hi = m_items.front();
        double previousX = m_items.front().x;
        for (std::size_t start = 0; start < n; start += blockSize) {
            const std::size_t end = std::min(n, start + blockSize);
            TYExtent block;
            for (std::size_t i = start; i < end; ++i) {
                const TFloatPointRec& p = m_items[i];
                if (p.x > hi.x) hi.x = p.x;
                if (p.y > hi.y) hi.y = p.y;
                if (p.x < lo.x) lo.x = p.x;
                if (p.y < lo.y) lo.y = p.y;
                // The first point's step to itself is 0 and counts, below, as none.
                const double d = p.x - previousX;
                if (i > 0 && d < 1.0) {
                    stepSum += d;
                    ++steps;
                }
                // Without branches: one failed test spoils the whole list.
                const int fine =
                    int{std::isfinite(p.x)} & int{std::isfinite(p.y)} & int{!(p.x < previousX)};
                finiteAscending = finiteAscending && fine != 0;
                previousX = p.x;
                block.add(p.y);
            }
            if (blocksWanted) blocks[start / blockSize] = block;
        }
    }
    m_summary.minPoint = lo;
    m_summary.maxPoint = hi;
    m_summary.meanStep = steps > 0 ? stepSum / steps : 1.0;
    m_summary.finiteAscending = finiteAscending;
    m_summary.yBlocks.reset();
    if (blocksWanted && finiteAscending)
        m_summary.yBlocks = std::make_shared<const std::vector<TYExtent>>(std::move(blocks));
    m_summary.revision = revision();
    m_summary.count = n;
    return m_summary;
}

TFloatPointRec TFloatPointSortedList::getMinPoint() const {
    if (!m_minPoint) computeCorners();
    return *m_minPoint;
}

TFloatPointRec TFloatPointSortedList::getMaxPoint() const {
    if (!m_maxPoint) computeCorners();
    return *m_maxPoint;
}

std::int64_t pointTextChecksum(std::string_view text) {
    TChecksum c;
    c.text(text);
    return c.value();
}

int TFloatPointSortedList::countLostInText(int from, int to) const {
    int lost = 0;
    for (int i = std::max(from, 0); i <= to && i < count(); ++i) {
        const TFloatPointRec& p = m_items[static_cast<std::size_t>(i)];
        if (!(p.x >= 0.000005) || !(std::abs(p.y) >= 0.0005)) ++lost;
    }
    return lost;
}

std::string TFloatPointSortedList::textRange(int from, int to) {
    std::string out;
    TChecksum checksum;
    if (from <= to && !m_items.empty()) {
        checkIndex(from);
        checkIndex(to);
        constexpr std::size_t kLine = 27;      // a line whose numbers fit their widths
        constexpr std::size_t kLongest = 800;  // two of the longest fixed doubles and the rest
        const auto n = static_cast<std::size_t>(to - from + 1);
        out.resize(n * kLine + kLongest);
        std::size_t pos = 0;
        for (int i = from; i <= to; ++i) {
            if (out.size() - pos < kLongest)
                out.resize(std::max(out.size() * 3 / 2, pos + 2 * kLongest));
            const TFloatPointRec& p = m_items[static_cast<std::size_t>(i)];
            char* const start = out.data() + pos;
            char* o = putFixed(start, p.x, 16, 5, checksum);
            *o++ = ' ';
            o = putFixed(o, p.y, 9, 3, checksum);
            *o++ = '\n';
            pos += static_cast<std::size_t>(o - start);
        }
        out.resize(pos);
    }
    m_checksum = checksum.value();
    return out;
}

void TFloatPointSortedList::setAsText(std::string_view text) {
    // One pass: the tokens are cut, the checksum of the whole text is summed and the numbers
    // are converted together.
    TChecksum checksum;
    const char* p = text.data();
    const char* const end = p + text.size();
    auto nextToken = [&]() -> std::string_view {
        while (p < end && isSeparator(*p)) ++p;
        const char* start = p;
        while (p < end && !isSeparator(*p)) {
            if (isDigit(*p)) checksum.digit(*p);
            ++p;
        }
        return {start, static_cast<std::size_t>(p - start)};
    };
    auto finishChecksum = [&] {
        checksum.text(std::string_view(p, static_cast<std::size_t>(end - p)));
        m_checksum = checksum.value();
    };

    m_items.clear();
    m_revision.next();
    // A hint only: about one point per line of 27 characters.
    m_items.reserve(text.size() / 27 + 1);
    try {
        TBulkAdd bulk(*this);
        try {
            for (;;) {
                const std::string_view xText = nextToken();
                if (xText.empty()) break;
                const std::string_view yText = nextToken();
                if (yText.empty())
                    throw EConvertError("Invalid format. Incomplete value pair (" +
                                        std::string(xText) + " ...)");
                const double x = parseFloat(xText);
                const double y = parseFloat(yText);
                if (x > 0.0 && y != 0.0) bulk.add({x, y});
            }
        } catch (...) {
            // The points read so far stay, put in order by the bulk reader on the way out, and
            // the checksum is still that of the whole text.
            finishChecksum();
            throw;
        }
        bulk.finish();
        m_checksum = checksum.value();
    } catch (...) {
        changed.notify();  // for the points that stay
        throw;
    }
    changed.notify();
}

std::string TFloatPointSortedList::base64Range(int from, int to) const {
    std::vector<std::uint8_t> block;
    if (from <= to && !m_items.empty()) {
        checkIndex(from);
        checkIndex(to);
        block.resize(static_cast<std::size_t>(to - from + 1) * 8);
        std::uint8_t* b = block.data();
        for (int i = from; i <= to; ++i, b += 8) {
            const TFloatPointRec& p = m_items[static_cast<std::size_t>(i)];
            putFloat(b, static_cast<float>(p.x));
            putFloat(b + 4, static_cast<float>(p.y));
        }
    }
    std::string body = base64Encode(block);
    return body + sha1Hex(body);
}

bool TFloatPointSortedList::setAsBase64(std::string_view text) {
    constexpr std::size_t kSeal = 40;
    const std::string_view seal = text.size() >= kSeal ? text.substr(text.size() - kSeal) : text;
    const std::string_view body =
        text.size() >= kSeal ? text.substr(0, text.size() - kSeal) : std::string_view{};
    m_checksum = 65535;
    if (sha1Hex(body) != seal) return false;
    const std::vector<std::uint8_t> bytes = base64Decode(body);
    m_items.clear();
    m_revision.next();
    m_items.reserve(bytes.size() / 8);
    {
        TBulkAdd bulk(*this);
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const TFloatPointRec p{floatOf(&bytes[i]), floatOf(&bytes[i + 4])};
            // A sealed form from elsewhere may hold NaN or infinities: they would break the
            // order of the list, and the point text it is saved in cannot hold them.
            if (std::isfinite(p.x) && std::isfinite(p.y)) bulk.add(p);
        }
        bulk.finish();
    }
    m_checksum = 0;
    changed.notify();
    return true;
}

void TFloatPointSortedList::scaleToPercent(double reference) {
    for (auto& p : m_items) p.y = p.y * 100.0 / reference;
    m_minPoint.reset();
    m_maxPoint.reset();
    pointsChanged();
}
