// The data of one plot pane: its series, label lists, visible ranges, base line and a few
// display parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/Color.h"
#include "model/LabelSeries.h"
#include "model/PointListSerie.h"
#include "model/Range.h"
#include "model/Symbol.h"

// Fill patterns, in the order of the toolkit the documents come from.
enum class TBrushStyle : std::uint8_t {
    Solid,
    Clear,  // hollow: nothing is filled
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

// A fill described without a drawing toolkit; the display layer turns it into its own brush.
struct TBrush {
    TColor color = colors::white;
    TBrushStyle style = TBrushStyle::Solid;

    friend bool operator==(const TBrush&, const TBrush&) = default;
};

class TSpectrumData;
using TSpectrumDataPtr = std::shared_ptr<TSpectrumData>;

// Everything one pane shows. Series, label lists and ranges are shared with whoever else
// holds them (the plot, the loader, the clipboard code); the brush belongs to the data.
class TSpectrumData : public TSymbolNamed {
public:
    static constexpr int defaultPickTolerance = 4;  // pixels

    explicit TSpectrumData(std::string_view symbol = {}, std::string_view name = {});

    const TPointListSerieListPtr& series() const { return m_series; }
    const TLabelSeriesPtr& labels() const { return m_labels; }

    // The visible windows in world units: x 0..100 and y -5..100 (reversed, as pixel rows
    // grow downwards) to begin with. The setters replace the shared object; an empty one is
    // refused (std::invalid_argument), as the plot and the fitting always need a window.
    const TRangePtr& xRange() const { return m_xRange; }
    void setXRange(TRangePtr range);
    const TRangePtr& yRange() const { return m_yRange; }
    void setYRange(TRangePtr range);

    // World y from which bars rise.
    double baseLine() const { return m_baseLine; }
    void setBaseLine(double value) { m_baseLine = value; }
    // The plot's frame fill; hollow by default.
    TBrush& brush() { return m_brush; }
    const TBrush& brush() const { return m_brush; }
    // Distance in pixels within which the mouse tools and labels count a position as a hit.
    int pickTolerance() const { return m_pickTolerance; }
    void setPickTolerance(int value) { m_pickTolerance = value; }
    // The data changed since it was last saved.
    bool isModified() const { return m_modified; }
    void setModified(bool value) { m_modified = value; }
    // The annotations page of the document the pane was loaded from.
    const std::string& annotationText() const { return m_annotationText; }
    void setAnnotationText(std::string text) { m_annotationText = std::move(text); }

    // Fits the x window to the current series' points with 2 % of their width added on each
    // side; points at a single x (or none) count as 0..100, and their list's cached corners
    // are set to that. Nothing happens without a current series. Notifies through the range.
    void fitXRange();
    // Fits the y window to the current series from just below zero to 2 % above the largest
    // intensity. Nothing happens without a current series. Notifies through the range.
    void fitYRange();

private:
    TRangePtr m_xRange;
    TRangePtr m_yRange;
    TPointListSerieListPtr m_series;
    double m_baseLine = 0.0;
    TBrush m_brush{colors::white, TBrushStyle::Clear};
    int m_pickTolerance = defaultPickTolerance;
    TLabelSeriesPtr m_labels;
    bool m_modified = false;
    std::string m_annotationText;
};

// The name of the label list a load gives a pane.
inline constexpr char customLabelsName[] = "Custom Labels";

// The steps that end every load (document, run or text spectrum) and belong to the model: series
// 0 becomes current, the visible ranges fit it, a visible "Custom Labels" list in navy labels its
// points (only when it has points), and the labels are laid out at the next paint.
void finishLoadedData(TSpectrumData& data);

inline TSpectrumDataPtr newSpectrumData(std::string_view symbol, std::string_view name) {
    return std::make_shared<TSpectrumData>(symbol, name);
}
