// The tool bar over the panes: mouse tools, range history, threshold and full-range buttons
// acting on the spectrum it is bound to.
#pragma once

#include <QToolButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "display/iSpectrum.h"

class QAbstractButton;
class QButtonGroup;
class TSpectrum;
class TSpectrumContainer;

// What the buttons' clicks run: nothing of their own but onDefaultClick (DefaultClick), their
// own work on the bound spectrum (Spectrum; without a spectrum it behaves as DefaultClick), or
// whatever they ran before, with onDefaultClick cleared (None).
enum class TButtonMode { None, DefaultClick, Spectrum };

// A tool-bar button that keeps the work it was made for apart from what a click runs now, so
// that the navigator can route clicks elsewhere and back.
class TNavigatorButton : public QToolButton {
    Q_OBJECT

public:
    explicit TNavigatorButton(QWidget* parent = nullptr);

    // The button's own work.
    std::function<void()> ownClick;
    // What a click runs now (the navigator runs it): ownClick, the navigator's default
    // handler, or nothing.
    std::function<void()> onClick;
};

// Thirteen 26 x 26 buttons in a row 364 pixels wide and 27 high. Disabled exactly while no
// spectrum is bound. The bound spectrum is a child of some pane, never owned here; the binding
// is dropped when it is destroyed.
class TSpectrumNavigator : public QWidget {
    Q_OBJECT

public:
    // Indices of the buttons, in creation order (left to right).
    enum TButtonIndex {
        CrossCursorButton,
        ScrollButton,
        StretchXButton,
        StretchYButton,
        UndoButton,
        ZoomButton,
        RedoButton,
        LabelButton,
        ThresholdButton,
        FullXButton,
        FullXYButton,
        TopPeakButton,
        MeasureButton,
        ButtonCount
    };

    explicit TSpectrumNavigator(QWidget* parent = nullptr);
    ~TSpectrumNavigator() override;

    // The current spectrum of the viewer. Binding unmarks the spectrum bound before, marks the
    // new one and creates the selected tool again for it; nullptr unbinds.
    TSpectrum* spectrum() const { return m_spectrum; }
    void setSpectrum(TSpectrum* s);
    // The pane of the bound spectrum, or nullptr when the spectrum is not its pane's plot.
    // Setting a pane binds its spectrum; setting nullptr changes nothing.
    TSpectrumContainer* spectrumContainer() const;
    void setSpectrumContainer(TSpectrumContainer* c);

    TButtonMode buttonMode() const { return m_buttonMode; }
    void setButtonMode(TButtonMode mode);

    // Receives every click while the buttons are routed to it, with the button clicked.
    std::function<void(QAbstractButton*)> onDefaultClick;
    // Raised after a tool button has given its new tool to the spectrum.
    std::function<void(QAbstractButton*)> onButtonClick;

    int buttonCount() const { return static_cast<int>(m_buttons.size()); }
    // nullptr outside 0..buttonCount() - 1.
    QAbstractButton* button(int index) const;

    // What the full-range and top-peak buttons run, for menu actions as well: the view
    // commands (display/ViewCommands.h) on the bound spectrum with the zone its tool left
    // standing, after which a fresh tool takes the zone's place. Nothing without a spectrum;
    // failures are thrown to the caller.
    void fullMassRange();
    void fullMassAndAbundanceRange();
    void topPeak();

signals:
    // After every change of the bound spectrum, also when it went because it was destroyed.
    void spectrumChanged(TSpectrum* s);
    // A button's work failed; the text is for the application's message box.
    void messageRaised(const QString& text);

private:
    using TToolFactory = iSpectrumToolPtr (*)(iSpectrum&);

    // A button at the next place; group 1 buttons are exclusive, group 2 toggles alone,
    // group 0 does not stay down.
    TNavigatorButton* addButton(const char* glyph, const QString& hint, int group);
    void applyButtonMode();
    void routeToDefault();
    void spectrumDestroyed(QObject* object);
    void runClick(TNavigatorButton* button);

    void selectTool(TNavigatorButton* button, TToolFactory make);
    void showThreshold();
    // The world zone of the plot's zone tool when it is wider (and, when asked,
    // higher) than the pick tolerance; x1 <= x2 and y1 <= y2.
    std::optional<TFloatRect> standingZone(bool needHeight) const;
    // After a zone was used: a fresh tool of the same kind, the buttons following it.
    void replaceZoneTool();

    TSpectrum* m_spectrum = nullptr;
    // The bound spectrum as the QObject that announces its destruction; compared only, as the
    // spectrum is no longer one when it does.
    QObject* m_spectrumObject = nullptr;
    TButtonMode m_buttonMode = TButtonMode::Spectrum;
    std::vector<TNavigatorButton*> m_buttons;  // children of the navigator
    QButtonGroup* m_toolGroup;                 // the exclusive tool buttons
    int m_nextLeft = 2;
};
