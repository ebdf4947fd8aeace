// Peak labels and label lists: the label objects, their layout in pixels (for the plot on
// screen, or for a picture of any size without touching the labels), hit tests, and the list
// that labels the local maxima of a point list.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/FloatPoint.h"
#include "model/FloatPointSortedList.h"
#include "model/FontEx.h"
#include "model/SharedList.h"
#include "model/Symbol.h"
#include "model/WorldControl.h"

class TControlLabel;
class TTextLabel;
using TControlLabelPtr = std::shared_ptr<TControlLabel>;
using TTextLabelPtr = std::shared_ptr<TTextLabel>;

// One label: the world point it belongs to, where it is laid out, and where it was last
// drawn.
class TControlLabel {
public:
    explicit TControlLabel(const TFloatPointRec& anchor) : m_anchor(anchor), m_position(anchor) {}
    virtual ~TControlLabel() = default;

    // The world point (the peak) the label belongs to.
    TFloatPointRec anchor() const { return m_anchor; }
    void setAnchor(const TFloatPointRec& value) { m_anchor = value; }
    // The world point from which the label is laid out.
    TFloatPointRec position() const { return m_position; }
    void setPosition(const TFloatPointRec& value) { m_position = value; }
    // Hidden labels are neither drawn nor hit.
    bool isVisible() const { return m_visible; }
    void setVisible(bool value) { m_visible = value; }
    // Not owned: the label keeps only a weak reference.
    std::shared_ptr<void> owner() const { return m_owner.lock(); }
    void setOwner(const std::shared_ptr<void>& value) { m_owner = value; }
    // Pixels where the text was last laid out; horizontal text is stored with Top below
    // Bottom.
    TRect bounds() const { return m_bounds; }
    void setBounds(const TRect& value) { m_bounds = value; }
    // Bounds in world units.
    TFloatRect worldRect() const { return m_worldRect; }
    void setWorldRect(const TFloatRect& value) { m_worldRect = value; }
    // The next paint lays the label out from its position.
    bool needsPlacement() const { return m_needsPlacement; }
    void setNeedsPlacement(bool value) { m_needsPlacement = value; }
    // The user dragged the label; the next paint adopts the new place.
    bool isMoved() const { return m_moved; }
    void setMoved(bool value) { m_moved = value; }
    // The label stands where the user dropped it: layouts keep that place, and a thin line
    // joins it to its anchor.
    bool isPlacedByUser() const { return m_placedByUser; }
    void setPlacedByUser(bool value) { m_placedByUser = value; }
    int tag() const { return m_tag; }
    void setTag(int value) { m_tag = value; }

    // Visible and (x, y) inside the bounds, left and top edges inside, right and bottom
    // edges outside.
    bool hitTest(int x, int y) const { return m_visible && m_bounds.contains(x, y); }

private:
    TFloatPointRec m_anchor;
    TFloatPointRec m_position;
    bool m_visible = true;
    std::weak_ptr<void> m_owner;
    TRect m_bounds;
    TFloatRect m_worldRect;
    bool m_needsPlacement = true;
    bool m_moved = false;
    bool m_placedByUser = false;
    int m_tag = 0;
};

class TTextLabel : public TControlLabel {
public:
    // Coordinates arrive in single precision, as the stored labels keep them.
    TTextLabel(std::string text, float x, float y)
        : TControlLabel({x, y}), m_text(std::move(text)) {}

    const std::string& text() const { return m_text; }
    void setText(std::string value) { m_text = std::move(value); }

private:
    std::string m_text;
};

// A label as one layout placed it for one mapping: all that drawing it needs, in the pixels of
// that mapping.
struct TPlacedLabel {
    std::string text;  // UTF-8
    TFontEx font;
    // Where the text lies, stored as TControlLabel::bounds is (horizontal text: Top below
    // Bottom).
    TRect bounds;
    // The text's reference point, as font.textAlign and font.escapement take it.
    TPoint origin;
    // The world point (the peak) the label belongs to.
    TFloatPointRec anchor;
    // For a label the user moved: the anchor's pixel, which a thin line joins to the text.
    std::optional<TPoint> leader;

    friend bool operator==(const TPlacedLabel&, const TPlacedLabel&) = default;
};

using TPlacedLabels = std::vector<TPlacedLabel>;

class TLabelList;
using TLabelListPtr = std::shared_ptr<TLabelList>;

// A named list of labels. It is a named symbol without a symbol of its own (setSymbol
// does nothing), so that a pane's label series finds its lists by name.
class TLabelList : public TSymbolNamed, public TSharedList<TControlLabel> {
public:
    explicit TLabelList(std::string_view name) : TSymbolNamed({}, name) {}
    TLabelList(const TLabelList&) = delete;
    TLabelList& operator=(const TLabelList&) = delete;

    void setSymbol(std::string_view) override {}

    // The labels, by index; label is get.
    const TControlLabelPtr& label(int index) const { return get(index); }

    // --- list attributes ------------------------------------------------------------------
    // Hidden lists are neither laid out, drawn nor hit.
    bool isVisible() const { return m_visible; }
    void setVisible(bool value) { m_visible = value; }
    bool flag() const { return m_flag; }
    void setFlag(bool value) { m_flag = value; }
    // The label tool may drag labels of this list.
    bool isMovable() const { return m_movable; }
    void setMovable(bool value) { m_movable = value; }

    // --- layout and hits -------------------------------------------------------------------
    // The labels' own layout, which hit tests and drags use, is that of the plot on screen.
    // Lays out every label in list order; a dropped label not yet adopted is adopted first,
    // so that it keeps the place it was dropped at.
    virtual void placeAll(const iWorldControl& control);
    virtual TFloatRect getLabelWorldRect(const TControlLabel& label) const;
    virtual TRect getLabelBounds(const TControlLabel& label) const;
    virtual void placeLabel(const iWorldControl& control, TControlLabel& label) = 0;
    // Takes over the place a drag gave the label; here it only marks the label moved and
    // placed by the user.
    virtual void adoptMovedLabel(TControlLabel& label);
    // Brings the labels' own layout up to date for control before they are shown, and appends
    // the visible labels of a visible list as they now stand, in drawing order.
    virtual void updateLayout(const iWorldControl& control, TPlacedLabels& placed) = 0;
    // Appends the visible labels of a visible list as a fresh layout for control would place
    // them, changing nothing: the placement of a picture that is not the plot on screen.
    virtual void layout(const iWorldControl& control, TPlacedLabels& placed) const = 0;
    // The first visible label hit at pixel (x, y), or nullptr; nothing in a hidden list.
    TControlLabelPtr hitTest(int x, int y) const;

protected:
    bool m_visible = true;
    bool m_flag = false;
    bool m_movable = false;
};

class TTextLabelList;
using TTextLabelListPtr = std::shared_ptr<TTextLabelList>;

// Labels that show a text, written in the list's font centred above their position.
class TTextLabelList : public TLabelList {
public:
    explicit TTextLabelList(std::string_view name);

    TFontEx& font() { return m_font; }
    const TFontEx& font() const { return m_font; }
    void setFont(const TFontEx& value) { m_font = value; }

    // Appends a new text label at (x, y) and returns it.
    TTextLabelPtr addTextLabel(std::string text, float x, float y);
    // Item index as a text label; nullptr when that item carries no text.
    TTextLabelPtr textLabel(int index) const;

    // Measures the text and centres it above the position point (see layoutBounds); clears
    // NeedsPlacement and sets Bounds and WorldRect.
    void placeLabel(const iWorldControl& control, TControlLabel& label) override;
    // Position := droppedPosition(label).
    void adoptMovedLabel(TControlLabel& label) override;
    // Every visible label in list order: adopted if moved, laid out if it needs it, then
    // placed where its Bounds are, the text written at (Bounds.left, Bounds.bottom).
    void updateLayout(const iWorldControl& control, TPlacedLabels& placed) override;
    // Every visible label laid out from its position, a moved one from droppedPosition.
    void layout(const iWorldControl& control, TPlacedLabels& placed) const override;

    // Where a label dragged to its WorldRect stands: the middle of the rectangle's x span,
    // the lower of its y values.
    static TFloatPointRec droppedPosition(const TControlLabel& label);

protected:
    // The pixel rectangle of text laid out at world point position in this list's font.
    TRect layoutBounds(const iWorldControl& control, std::string_view text,
                       const TFloatPointRec& position) const;
    // Text in this list's font laid out at bounds, written at (bounds.left, bounds.bottom).
    TPlacedLabel placedAt(const TRect& bounds, std::string text,
                          const TFloatPointRec& anchor) const;
    // The pixel of the label's anchor, where the line from a label the user placed ends.
    static TPoint leaderOf(const iWorldControl& control, const TControlLabel& label);

private:
    TFontEx m_font;
};

class TPointlistLabelList;
using TPointlistLabelListPtr = std::shared_ptr<TPointlistLabelList>;

// Labels the local maxima of a point list with their x values: the candidates are picked
// once from the points, and every layout labels those inside the visible x window, most
// intense first, dropping any label that would collide with one already placed.
class TPointlistLabelList : public TTextLabelList {
public:
    // Width in world units of the stretch of x that contributes one candidate.
    static constexpr double candidateWindow = 0.2;

    // Throws EListError "List index out of bounds (0)" when points is empty.
    TPointlistLabelList(std::string_view name, const TFloatPointSortedList& points);

    // Label values are rounded to 1 / precision; values below 1 are taken as 1.
    int precision() const { return m_precision; }
    void setPrecision(int value) { m_precision = value < 1 ? 1 : value; }
    // Collision rule: 'L' rejects a label whose horizontal extent meets that of a label in
    // the list; any other value accepts every label.
    char mode() const { return m_mode; }
    void setMode(char value) { m_mode = value; }
    // The local maxima, ascending by y (ties: larger x first, so that the lower x of equal
    // peaks is labelled first).
    const TFloatPointSortedListPtr& candidates() const { return m_candidates; }

    // Recomputes the candidates: each stretch of x that begins at a point and spans
    // candidateWindow gives its highest point (the first of equal maxima), at single
    // precision. Throws EListError "List index out of bounds (0)" when points is empty.
    void setPoints(const TFloatPointSortedList& points);

    // The closed x spans of a and b (each put in order) meet.
    static bool overlapsX(const TRect& a, const TRect& b);
    // The label may join the list under the current mode.
    bool isFree(const TControlLabel& label) const;

    // Rebuilds the labels from the candidates inside the client rectangle's x window. A label
    // the user placed is kept, with its place, whatever the collisions, and shown whenever its
    // peak lies in that window; the other labels are picked as if it were not there.
    void placeAll(const iWorldControl& control) override;
    // The labels placeAll would make for control, placed, without making them.
    void layout(const iWorldControl& control, TPlacedLabels& placed) const override;

    // The text of a label at x: a space, then x rounded to 1 / precision.
    std::string labelText(double x) const;

private:
    // A candidate that won its place: the label's text, its point and its bounds.
    struct TPick {
        std::string text;
        TFloatPointRec point;
        TRect bounds;
    };
    // The candidates inside control's x window that the greedy layout labels, in the order
    // the labels are made, leaving out the peaks of the labels in userPlaced.
    std::vector<TPick> pick(const iWorldControl& control,
                            const std::vector<TControlLabelPtr>& userPlaced) const;
    // The labels the user placed: those kept from earlier layouts, then any of the current
    // labels dropped or placed since.
    std::vector<TControlLabelPtr> userPlacedLabels() const;
    // The label's anchor lies inside control's x window.
    static bool inWindow(const iWorldControl& control, const TControlLabel& label);

    TFloatPointSortedListPtr m_candidates;
    // Labels the user placed, in the order they were first placed, shown or not.
    std::vector<TControlLabelPtr> m_userPlaced;
    int m_precision = 100;
    char m_mode = 'L';
};

inline TPointlistLabelListPtr newPointlistLabelList(std::string_view name,
                                                    const TFloatPointSortedList& points) {
    return std::make_shared<TPointlistLabelList>(name, points);
}

inline TTextLabelListPtr newTextLabelList(std::string_view name) {
    return std::make_shared<TTextLabelList>(name);
}
