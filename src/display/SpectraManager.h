// The stack of up to eight panes under one navigator, with x ranges that can move together.
#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "model/Range.h"

class TSpectrum;
class TSpectrumContainer;
class TSpectrumNavigator;

// The panes in top-to-bottom order; the manager owns them as their parent.
using TSpectrumContainerList = std::vector<TSpectrumContainer*>;

// Fills the viewer: the navigator across the top and the panes stacked below it, each pane
// overlapping the next by one pixel. The current pane is the one whose plot the navigator is
// bound to; a press on a pane's plot or label makes it current. While synchronised all panes
// share one x range, so that zooming or scrolling one moves them all, and only the bottom pane
// shows an x axis, with the room of the others' given to the panes. Axis thicknesses are
// inches; sizes logical pixels.
class TSpectraManager : public QWidget {
    Q_OBJECT

public:
    static constexpr int maxCount = 8;

    explicit TSpectraManager(QWidget* parent = nullptr);
    ~TSpectraManager() override;

    TSpectrumNavigator* navigator() const { return m_navigator; }

    int count() const { return static_cast<int>(m_containers.size()); }
    // Creates panes at the bottom or destroys them from the bottom. Refused without a word
    // for n outside 0..8 or when n is not less than the height left under the navigator;
    // read count() back to know. Afterwards the navigator is bound to a pane when there is
    // one (the last, unless it was bound to one that remains).
    void setCount(int n);
    // nullptr outside 0..count() - 1.
    TSpectrumContainer* container(int index) const;
    TSpectrumContainer* lastContainer() const;
    const TSpectrumContainerList& containers() const { return m_containers; }
    // Destroys pane c (nothing happens for a pane that is not one of these), lays the rest out
    // and, when c was the current pane, makes the first remaining pane current.
    void removeContainer(TSpectrumContainer* c);
    // Places the navigator and the panes; runs after every resize, count and synchronisation
    // change and on request (after a label was hidden, say).
    void layoutPanes();

    // The thickness of every pane's axes, those of later panes included: x 0.3, y 0.6 to
    // begin with. A negative or undefined value is refused.
    float xAxisThick() const { return m_xAxisThick; }
    void setXAxisThick(float inches);
    float yAxisThick() const { return m_yAxisThick; }
    void setYAxisThick(float inches);

    // Switching on gives every pane the x range of the current pane (panes added later join
    // it); switching off gives every pane its own copy of it, so that each starts from the
    // common position and then moves alone.
    bool isSynchronized() const { return m_synchronized; }
    void setSynchronized(bool value);

    // The plot under the pointer (see TSpectrum::isHovered); nullptr when none is.
    TSpectrum* hoveredSpectrum() const;

signals:
    // Plot pixels of the pane's plot s, after its tool had the event; for the status bar.
    void paneMouseMoved(TSpectrum* s, int x, int y);
    void paneMousePressed(TSpectrum* s, Qt::MouseButton button, int x, int y);
    // The peak read-out or the measurement of the pane's plot s changed, and with it its
    // status text (see TSpectrum::readoutChanged and measurementChanged).
    void paneReadoutChanged(TSpectrum* s);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TSpectrumContainer* addContainer();
    void destroyContainer(TSpectrumContainer* c);
    void forgetContainer(TSpectrumContainer* dying);
    // The pane whose plot the navigator is bound to, if it is one of these.
    TSpectrumContainer* currentContainer() const;
    // The current pane, after binding the navigator to the first pane when it has none.
    TSpectrumContainer* ensureCurrent();
    void paneGetFocus(TSpectrum* s);
    void shareRange();
    void unshareRange();
    void sharedRangeChanged();

    TSpectrumNavigator* m_navigator;
    TSpectrumContainerList m_containers;
    float m_yAxisThick = 0.6f;
    float m_xAxisThick = 0.3f;
    bool m_synchronized = false;
    // Listens to the range the panes share while synchronised (held by their data).
    TConnection m_sharedRangeChange;
};
