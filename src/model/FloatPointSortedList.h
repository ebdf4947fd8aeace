// The sorted point list: searches, bounds, interpolation, scaling, the spline and the two
// stored forms (checksummed point text and the SHA-1-sealed Base64 form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/FloatPoint.h"
#include "model/Signal.h"

// What add() does when an equal item is already present (stored values).
enum class TDuplicates { Ignore = 0, Accept = 1, Error = 2 };

// Result of the nearest search: index of the nearest item and
// diff = compare(items[index], key), negative when that item sorts before the key.
struct TNearest {
    int index = 0;
    double diff = 2147483647.0;
    bool found = false;  // an exact match (diff == 0), or within the tolerance for find()
};

// Indices of the first point at or after x1 and the last at or before x2; first > last means
// that no point lies in the window.
struct TIndexRange {
    int first = 0;
    int last = 0;
};

// Lowest and highest y of a run of points; without points min is +inf and max -inf.
struct TYExtent {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

    void add(double v) {
        if (v < min) min = v;
        if (v > max) max = v;
    }
    void add(const TYExtent& e) {
        if (e.min < min) min = e.min;
        if (e.max > max) max = e.max;
    }
};

// What one pass over the points of a list finds (see TFloatPointSortedList::summary).
struct TPointSummary {
    // Points per block of yBlocks.
    static constexpr std::size_t blockSize = 64;

    std::uint64_t revision = 0;  // of the points summed up
    std::size_t count = 0;       // of the points summed up
    // The corners as getMinPoint and getMaxPoint compute them.
    TFloatPointRec minPoint;
    TFloatPointRec maxPoint;
    // The mean of the steps between neighbours below 1 in x; 1 without any.
    double meanStep = 1.0;
    // Every coordinate is a finite number and no x is below the one before.
    bool finiteAscending = true;
    // When the points are finite and ascending and fill two blocks at least: the y extent of
    // each block of blockSize points, the last one partial. Otherwise empty.
    std::shared_ptr<const std::vector<TYExtent>> yBlocks;
};

class TFloatPointSortedList;
using TFloatPointSortedListPtr = std::shared_ptr<TFloatPointSortedList>;

class TFloatPointSortedList {
public:
    explicit TFloatPointSortedList(TPointCompare compare = comparePointX,
                                   TDuplicates duplicates = TDuplicates::Accept);

    // --- the basic list -------------------------------------------------------------------
    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    int capacity() const { return static_cast<int>(m_items.capacity()); }
    void setCapacity(int value);
    // Grows with points (0, 0) or cuts the tail; does not re-sort.
    void setCount(int value);
    void clear();
    // Throws EListError "List index out of bounds (%d)" outside 0..count() - 1.
    const TFloatPointRec& get(int index) const;
    TFloatPointRec point(int index) const { return get(index); }
    // Replaces item index; the caller keeps the order.
    void put(int index, const TFloatPointRec& p);
    void deleteItem(int index);
    void exchange(int index1, int index2);
    TFloatPointRec first() const { return get(0); }
    TFloatPointRec last() const { return get(count() - 1); }
    // Index of the first item equal to p in both coordinates, or nullopt.
    std::optional<int> indexOf(const TFloatPointRec& p) const;
    // Inserts at index (0..count()) without re-sorting.
    void insert(int index, const TFloatPointRec& p);
    // Removes the first item equal to p; its former index, or nullopt.
    std::optional<int> remove(const TFloatPointRec& p);
    // Contiguous read access for drawing and bulk work.
    const std::vector<TFloatPointRec>& points() const { return m_items; }
    // Grows with every change of the points (their values, order or number), so that caches
    // kept elsewhere know when to rebuild. Never 0, and unique across lists: a new list and a
    // copy start at a value that no list has had, so a cache that outlives its list, or whose
    // owner swaps in another list, cannot mistake the new points for the old.
    std::uint64_t revision() const { return m_revision.value(); }
    // Raised where the revision moves, once the change is complete: one notification per
    // call, whatever the number of points it touched (each add() is one call, while reading a
    // stored form is one for all its points). Costs one test when nobody listens.
    TSignal<> changed;

    // --- the sorted list ------------------------------------------------------------------
    void setCompare(TPointCompare compare);
    TPointCompare compare() const { return m_compare; }
    void setDuplicates(TDuplicates policy) { m_duplicates = policy; }
    TDuplicates duplicates() const { return m_duplicates; }

    // Sorted insertion; returns the index. Appending in ascending order costs O(1).
    int add(const TFloatPointRec& p);
    // Adds many points with the result of add() for each, in O(n log n) whatever their order:
    // under the accept policy they are appended and sorted once if they arrive out of order.
    void addPoints(std::span<const TFloatPointRec> points);
    TNearest findNearest(const TFloatPointRec& key) const;
    // found when exact or |diff| <= tolerance; otherwise index is the insertion position.
    TNearest find(const TFloatPointRec& key, double tolerance) const;
    void sort();
    // Sorts lo..hi with a temporary order; nothing happens unless 0 <= lo < hi < count().
    void sortRange(TPointCompare compare, int lo, int hi);
    // A new list with the same order, policy and points (and the corners).
    TFloatPointSortedListPtr clone() const;
    // Takes the order and policy of source, adds its points (those present remain, sorted by
    // the new order) and takes its corners. Assigning a list to itself changes nothing.
    void assign(const TFloatPointSortedList& source);

    // --- points ---------------------------------------------------------------------------
    TIndexRange findRange(double x1, double x2) const;
    std::optional<TFloatPointRec> maxYInRange(double x1, double x2) const;
    double interpolateY(double x, double tolerance) const;
    TNearest findX(double x, double tolerance) const;

    // Corners of the points, computed on demand and cached; (0, 100) for an empty list.
    TFloatPointRec getMinPoint() const;
    TFloatPointRec getMaxPoint() const;
    // nullopt empties the cache of both corners' computation for that corner.
    void setMinPoint(std::optional<TFloatPointRec> p) { m_minPoint = p; }
    void setMaxPoint(std::optional<TFloatPointRec> p) { m_maxPoint = p; }
    // The corners, the mean step, whether the points are finite and ascending and the y extent
    // of their blocks, found in one pass and kept for the current revision: whoever fits a view
    // to a long list draws it next, and reading the points costs far more than the arithmetic.
    // The corners and the mean step take their values from it when they are computed.
    const TPointSummary& summary() const;

    // Point text: "%16.5f %9.3f\n" per point, '.' as decimal separator.
    void setAsText(std::string_view text);
    std::string getAsText() { return textRange(0, count() - 1); }
    std::string textRange(int from, int to);
    // How many of the points from..to point text does not carry back: reading the text keeps
    // only pairs with x > 0 and y != 0 as written, with 5 and 3 decimals, so an x that rounds
    // to 0 or below and a y that rounds to 0 (a profile's zero intensities) are lost.
    int countLostInText(int from, int to) const;
    std::int64_t getChecksum() const { return m_checksum; }
    void setChecksum(std::int64_t value) { m_checksum = value; }

    // Sealed Base64 form; setAsBase64 returns whether the seal matched (checksum 0) or the
    // list was left as it was (checksum 65535). Pairs holding NaN or an infinity are skipped.
    bool setAsBase64(std::string_view text);
    std::string getAsBase64() const { return base64Range(0, count() - 1); }
    std::string base64Range(int from, int to) const;

    void scaleToPercent(double reference);

    // --- cubic spline -----------------------------------------------------------------------
    void spline(double yp1, double ypn);
    // spline() that answers false where spline() would throw (two neighbours of equal x); the
    // second derivatives are then empty. The answer is kept for the current revision and end
    // slopes: asking again before the points change costs O(1).
    bool trySpline(double yp1, double ypn);
    double splint(double x);
    double meanStep();
    const std::vector<double>& secondDerivatives() const { return m_secondDerivatives; }

private:
    // A revision counter that starts, and starts again on copy, at a value no list has had:
    // each list takes its own stretch of 2^32 values.
    class TRevision {
    public:
        TRevision() : m_value(fresh()) {}
        TRevision(const TRevision&) : m_value(fresh()) {}
        TRevision& operator=(const TRevision&) {
            m_value = fresh();
            return *this;
        }
        std::uint64_t value() const { return m_value; }
        void next() { ++m_value; }

    private:
        static std::uint64_t fresh();
        std::uint64_t m_value;
    };
    // The outcome of the last spline computation and what it was computed for.
    struct TSplineMemo {
        std::uint64_t revision = 0;
        double yp1 = 0.0;
        double ypn = 0.0;
        bool done = false;
    };

    void checkIndex(int index) const;
    void pointsChanged() {
        m_revision.next();
        if (m_quiet == 0) changed.notify();
    }
    void computeCorners() const;
    bool hasCurrentSummary() const {
        return m_summary.revision == revision() && m_summary.count == m_items.size();
    }
    // Adds many points read from a stored form: appends and sorts once when they arrive out
    // of order, instead of shifting the tail for every point.
    class TBulkAdd;

    std::vector<TFloatPointRec> m_items;
    TPointCompare m_compare;
    TDuplicates m_duplicates;
    mutable std::optional<TFloatPointRec> m_minPoint;
    mutable std::optional<TFloatPointRec> m_maxPoint;
    std::int64_t m_checksum = 0;
    std::vector<double> m_secondDerivatives;
    std::optional<TSplineMemo> m_splineMemo;
    TRevision m_revision;
    double m_meanStepCache = -1.0;
    // For the revision it names; 0, which no list has, before the first.
    mutable TPointSummary m_summary;
    // Bulk readers at work: their points are announced when they are done.
    int m_quiet = 0;
};

inline TFloatPointSortedListPtr newFloatPointSortedList(
    TPointCompare compare = comparePointX, TDuplicates duplicates = TDuplicates::Accept) {
    return std::make_shared<TFloatPointSortedList>(compare, duplicates);
}

// Checksum of a point text: over its decimal digits only, C := (digit << (k mod 8)) - C.
std::int64_t pointTextChecksum(std::string_view text);
