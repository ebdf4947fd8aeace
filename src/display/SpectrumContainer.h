// One pane of the viewer: the plot with its two axes and the caption label naming the series.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

#include "display/Axis.h"
#include "model/Signal.h"
#include "model/SpectrumData.h"

class iSpectrum;
class TSpectrum;

// The caption label across the top of a pane. Every mouse press, after the label's own
// handling, is announced with its button.
class TSerieLabel : public QLabel {
    Q_OBJECT

public:
    explicit TSerieLabel(QWidget* parent = nullptr);

signals:
    void labelClicked(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The type, caption, thickness and visibility of one axis of a pane. Every change is applied
// to the axis and then reported to the owner (the pane, which lays itself out again); a value
// equal to the current one changes nothing. The axis is a child of the pane and outlives this
// object; should it go first, reads give defaults and writes do nothing.
class TAxisProperties {
public:
    TAxisProperties(TAxis* axis, std::function<void()> onChange);

    // Changes only within one orientation: a y axis stays vertical, an x axis horizontal.
    TAxisType axisType() const;
    void setAxisType(TAxisType type);
    QString caption() const;
    void setCaption(const QString& caption);
    // Thickness in inches; a negative or undefined value is refused.
    float thick() const;
    void setThick(float inches);
    // Explicitly shown or hidden, whether or not the pane itself is on screen.
    bool isVisible() const;
    void setVisible(bool visible);

    TAxis* axis() const { return m_axis; }

private:
    void changed() const;

    QPointer<TAxis> m_axis;
    std::function<void()> m_onChange;
};

// A pane: the plot (object name "Spectrum"), an x axis below it, a y axis left of it and the
// caption label across the top, all children of the pane. The label names the document and
// the current series in the series' colour, or shows the pane's caption while there is no
// series; it follows the plot's file name, data, series list and current series as they
// change. A left click on it steps to the next series, a right click to the previous one, and
// any press raises the plot's onGetFocus. Sizes are logical pixels; axis thicknesses inches.
class TSpectrumContainer : public QWidget {
    Q_OBJECT

public:
    explicit TSpectrumContainer(QWidget* parent = nullptr);
    ~TSpectrumContainer() override;

    // The plot; nullptr only while the pane is being destroyed.
    TSpectrum* spectrum() const { return m_spectrum; }
    iSpectrum& intSpectrum() const;
    TAxisProperties& xAxis() { return m_xAxis; }
    TAxisProperties& yAxis() { return m_yAxis; }
    TSerieLabel* serieLabel() const { return m_label; }

    // The pane's own text, shown by the label while the plot has no series.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // The plot's frame colour; an invalid colour draws no frame.
    QColor color() const;
    void setColor(const QColor& color);
    const TSpectrumDataPtr& spectrumData() const;

    // Places the label, the plot and (through the plot) the axes. An axis takes its own
    // thickness again first; one that does not fit the pane is cut to the pane's size and the
    // plot gets no width or height. Runs after every resize and every axis property change,
    // and for a label that was shown or hidden.
    void layoutPane();
    // Sets the label's text (and colour) from the plot's current series; runs whenever what
    // it shows changes.
    void updateLabel();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepSerie(Qt::MouseButton button);
    int labelHeight() const;
    // Listens to the plot's series list, and to its current series for name and colour.
    void watchSeries();
    void watchCurrentSerie();

    QPointer<TSpectrum> m_spectrum;
    TAxisProperties m_xAxis;
    TAxisProperties m_yAxis;
    TSerieLabel* m_label;
    QString m_caption;
    TConnection m_seriesChange;
    TConnection m_currentSerieChange;
};
