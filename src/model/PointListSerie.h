// Series: named point lists with their drawing attributes, threshold and ranges; the list of
// series of one pane with its current series and colour palette; the program-wide pen widths.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/Color.h"
#include "model/FloatPointSortedList.h"
#include "model/Range.h"
#include "model/Signal.h"
#include "model/Symbol.h"
#include "model/Threshold.h"

// Stored values; the plot draws any value other than Bars as a line.
enum class TSerieStyle : std::uint8_t { Bars = 1, Line = 2 };

// Program-wide pen widths in pixels. The highlight width always stays one above the normal
// width, which lies within 1..10.
constexpr int minSerieLineWidth = 1;
constexpr int maxSerieLineWidth = 10;
int serieLineWidth();
int highlightLineWidth();
// Sets the normal width (limited to 1..10) and the highlight width one above it.
void setSerieLineWidth(int width);
// Change both widths by one within the limits; return whether they changed.
bool increaseLineWidth();
bool decreaseLineWidth();

// Colours handed to series as they are added: index 2 onwards, in turn (black and red are
// never assigned).
inline constexpr std::array<TColor, 13> seriePalette{{
    {0, 0, 0},        // black
    {255, 0, 0},      // red
    {0, 255, 0},      // lime
    {0, 255, 255},    // aqua
    {0, 0, 255},      // blue
    {255, 0, 255},    // fuchsia
    {255, 255, 0},    // yellow
    {255, 255, 255},  // white
    {128, 0, 0},      // maroon
    {0, 128, 0},      // green
    {0, 0, 128},      // navy
    {128, 0, 128},    // purple
    {0, 128, 128},    // teal
}};

class TPointListSerie;
using TPointListSeriePtr = std::shared_ptr<TPointListSerie>;

// One series. Points, threshold, ranges and reference point are shared with whoever else
// holds them; the setters replace the reference and refuse an empty one. The notes belong
// to the series.
class TPointListSerie : public TSymbolNamed {
public:
    explicit TPointListSerie(std::string_view symbol = {}, std::string_view name = {});

    void setName(std::string_view value) override;
    TColor color() const { return m_color; }
    void setColor(TColor value);
    // Pen widths in pixels: the one the series has now and the one it takes while current.
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int value) { m_lineWidth = value; }
    int highlightWidth() const { return m_highlightWidth; }
    void setHighlightWidth(int value) { m_highlightWidth = value; }
    TSerieStyle style() const { return m_style; }
    void setStyle(TSerieStyle value);

    const TFloatPointSortedListPtr& points() const { return m_points; }
    void setPoints(TFloatPointSortedListPtr points);
    const TThresholdPtr& threshold() const { return m_threshold; }
    void setThreshold(TThresholdPtr threshold);
    const TRangePtr& xRange() const { return m_xRange; }
    void setXRange(TRangePtr range);
    const TRangePtr& yRange() const { return m_yRange; }
    void setYRange(TRangePtr range);
    // World point the cursor readout measures from; none by default.
    const std::optional<TFloatPointRec>& refPoint() const { return m_refPoint; }
    void setRefPoint(std::optional<TFloatPointRec> point) { m_refPoint = point; }

    std::vector<std::string>& notes() { return m_notes; }
    const std::vector<std::string>& notes() const { return m_notes; }

    // Raised when the name, colour or style took another value: what the pane's caption label
    // and the plot show of the series. The pen widths, which follow the current series on
    // every read of the list, do not raise it.
    TSignal<> changed;

private:
    TColor m_color{};
    int m_lineWidth;
    int m_highlightWidth;
    TSerieStyle m_style = TSerieStyle::Bars;
    TFloatPointSortedListPtr m_points;
    TThresholdPtr m_threshold;
    std::optional<TFloatPointRec> m_refPoint;
    TRangePtr m_xRange;
    TRangePtr m_yRange;
    std::vector<std::string> m_notes;
};

inline TPointListSeriePtr newPointListSerie(std::string_view symbol, std::string_view name) {
    return std::make_shared<TPointListSerie>(symbol, name);
}

class TPointListSerieList;
using TPointListSerieListPtr = std::shared_ptr<TPointListSerieList>;

// The series of one pane and its current series. The current index is validated on every
// read: it is clamped into the list, and the pen widths follow it (the series that stops
// being current returns to the normal width, a current line series takes its highlight
// width). The list's threshold is the current series' threshold.
//
// Every change made through this class is announced once it is complete: series added or
// removed, then the current series when it is another one (another object, or the same at
// another index), then changed. The list's own edits (add, insert, put, exchange,
// deleteItem, remove, clear) announce as well.
class TPointListSerieList : public TSymbolNamedListOf<TPointListSerie> {
    using TBase = TSymbolNamedListOf<TPointListSerie>;

public:
    TPointListSerieList();

    // The current series after validation; nullptr when the list is empty.
    TPointListSeriePtr current();
    // Validates and returns the current index; -1 when the list is empty.
    int currentIndex();
    // Makes series index current; an index outside the list only revalidates.
    void setCurrentIndex(int index);

    // Appends (no duplicate check), makes it current and gives it its palette colour.
    void addSerie(TPointListSeriePtr serie);
    // Removes the first reference to serie; the current index keeps its number, clamped to
    // the new count. Returns the former index of serie.
    std::optional<int> removeSerie(const TPointListSeriePtr& serie);
    // A new series with an empty symbol, the default style and (when sharing) this list's
    // threshold object, added with addSerie.
    TPointListSeriePtr newSerie(std::string_view name);
    // newSerie filled with random demonstration points (x ascending from about 1 to about
    // 105, y within 5..99).
    TPointListSeriePtr newRandomSerie(std::string_view name);
    // Seeds the source of demonstration data; unseeded it starts from a random seed.
    void setRandomSeed(std::uint32_t seed) { m_random.emplace(seed); }

    // The list's own edits, announced (see above).
    int add(TPointListSeriePtr serie);
    void insert(int index, TPointListSeriePtr serie);
    void put(int index, TPointListSeriePtr serie);
    void exchange(int index1, int index2);
    void deleteItem(int index);
    std::optional<int> remove(const std::shared_ptr<const TPointListSerie>& serie);
    void clear();

    const TPointListSeriePtr& serie(int index) const { return get(index); }

    const TThresholdPtr& threshold() const { return m_threshold; }
    bool shareThreshold() const { return m_shareThreshold; }
    void setShareThreshold(bool value) { m_shareThreshold = value; }
    TSerieStyle defaultStyle() const { return m_defaultStyle; }
    void setDefaultStyle(TSerieStyle value) { m_defaultStyle = value; }

    // A series was added at that index.
    TSignal<int> added;
    // The series at that former index was removed.
    TSignal<int> removed;
    // The series a validating read would give as current is another one than before.
    TSignal<> currentChanged;
    // After every change of the list or of its current series.
    TSignal<> changed;

private:
    // Settles the current index (index when it lies in the list) and the pen widths.
    void validate(int index);
    // The index a validating read would settle on, without validating.
    int effectiveIndex() const;
    // The current series is not the one last announced.
    bool currentMoved() const;
    // Announces the current series if it is another one, then changed.
    void announce();

    int m_currentIndex = 0;
    TThresholdPtr m_threshold;
    bool m_shareThreshold = true;
    TSerieStyle m_defaultStyle = TSerieStyle::Bars;
    std::optional<std::mt19937> m_random;
    // The current series as last announced; compared, never used.
    const TPointListSerie* m_announcedSerie = nullptr;
    int m_announcedIndex = -1;
};

inline TPointListSerieListPtr newPointListSerieList() {
    return std::make_shared<TPointListSerieList>();
}
