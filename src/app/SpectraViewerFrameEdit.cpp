// The viewer frame's Edit menu: series to and from the clipboard as point text or mass list,
// deleting series and panes, and the smoothed copy of a series.
#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Hourglass.h"
#include "app/SerieText.h"
#include "app/SpectraViewerFrame.h"
#include "display/MeasureTool.h"
#include "display/SpectraManager.h"
#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumNavigator.h"
#include "files/TextSpectrum.h"
#include "model/Clipboard.h"
#include "model/FloatPointSortedList.h"
#include "model/ModelErrors.h"
#include "model/PointListSerie.h"
#include "model/SpectrumData.h"

namespace {

// Name of the series a paste adds.
constexpr char pastedSerieName[] = "no name";
// Appended to a series' name for its smoothed copy.
constexpr char smoothSuffix[] = "(Smooth)";

// A failure whose message is shown as it is.
class EEditError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace

// --- copying -------------------------------------------------------------------------------
//
// Each copy needs a current series; without one nothing happens and the clipboard keeps what
// it holds.

void TSpectraViewerFrame::editCopy(TSerieText what) {
    TSpectrum* s = currentSpectrum();
    if (!s || !s->series()->current()) return;
    m_services.clipboard.setText(currentSerieText(*s->spectrumData(), what));
    scheduleUpdateActions();
}

const TReadout* TSpectraViewerFrame::hoveredReadout() const {
    const TSpectrum* s = m_manager->hoveredSpectrum();
    return s && s->readout() ? &*s->readout() : nullptr;
}

bool TSpectraViewerFrame::copyReadout() {
    const TReadout* readout = hoveredReadout();
    if (!readout) return false;
    m_services.clipboard.setText(readout->text());
    scheduleUpdateActions();
    return true;
}

const TMeasurement* TSpectraViewerFrame::shownMeasurement() const {
    if (const TSpectrum* s = m_manager->hoveredSpectrum(); s && s->measurement())
        return s->measurement();
    const TSpectrum* s = currentSpectrum();
    return s ? s->measurement() : nullptr;
}

bool TSpectraViewerFrame::copyMeasurement() {
    const TMeasurement* measurement = shownMeasurement();
    if (!measurement) {
        // Without a live one, the measurements pinned on the current pane.
        const TSpectrum* s = currentSpectrum();
        if (!s || s->pins().empty()) return false;
        m_services.clipboard.setText(s->pinsText().toStdString());
        scheduleUpdateActions();
        return true;
    }
    m_services.clipboard.setText(measurement->text());
    scheduleUpdateActions();
    return true;
}

void TSpectraViewerFrame::editCutSerie() {
    TSpectrum* s = currentSpectrum();
    if (!s || !s->series()->current()) return;
    // The series goes only once it is on the clipboard: a failed copy deletes nothing.
    editCopy(TSerieText::Points);
    editDeleteSerie();
}

// --- pasting -------------------------------------------------------------------------------

namespace {

// Reads text into the current series of s under the hourglass. A malformed text keeps the
// pairs before the fault and is reported as an error box with OK; the paste goes on.
void pasteText(TSpectrum& s, const std::string& text, iDialogs& dialogs) {
    try {
        THourglass hourglass;
        readSeriesText(*s.series()->current()->points(), text);
    } catch (const EConvertError& e) {
        dialogs.message(TMessageKind::Error, QString::fromUtf8(e.what()), {TMessageButton::Ok});
    }
}

}  // namespace

// Views the whole of the current series as the navigator's full-range button does, so that the
// new view joins the view history.
void TSpectraViewerFrame::viewAllData() {
    m_manager->navigator()->fullMassAndAbundanceRange();
}

// Both pastes make a pane when there is none: the pane is new, current and not a saved document,
// so that Save asks where to write it.
TSpectrum* TSpectraViewerFrame::paneForPaste() {
    if (m_manager->count() > 0) return m_manager->navigator()->spectrum();
    TSpectrumContainer* container = openPane(QString(), newDocument(TDocumentFormat::None));
    return container ? container->spectrum() : nullptr;
}

void TSpectraViewerFrame::dataEdited(TSpectrum& s) {
    s.spectrumData()->setModified(true);
    if (TSpectrumContainer* c = currentContainer()) c->updateLabel();
    s.invalidate();
    scheduleUpdateActions();
    emit currentChanged();
}

void TSpectraViewerFrame::editPasteAsNew() {
    if (!m_services.clipboard.hasText()) return;
    TSpectrum* s = paneForPaste();
    if (!s) return;
    s->series()->newSerie(pastedSerieName);
    s->spectrumData()->setModified(true);
    pasteText(*s, m_services.clipboard.text(), m_services.dialogs);
    viewAllData();
    dataEdited(*s);
}

void TSpectraViewerFrame::editPasteOverwrite() {
    if (!m_services.clipboard.hasText()) return;
    const bool made = m_manager->count() == 0;
    TSpectrum* s = paneForPaste();
    if (!s) return;
    if (!s->series()->current()) s->series()->newSerie(pastedSerieName);
    s->spectrumData()->setModified(true);
    pasteText(*s, m_services.clipboard.text(), m_services.dialogs);
    // An existing pane keeps its view; a new one would otherwise show its default window
    // rather than the points just pasted.
    if (made) viewAllData();
    dataEdited(*s);
}

// --- deleting ------------------------------------------------------------------------------

void TSpectraViewerFrame::editDeleteSerie() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    TPointListSerieList& series = *s->series();
    int index = series.currentIndex();
    if (index < 0) return;
    // By position: the same series may be in the list more than once.
    series.deleteItem(index);
    if (index >= series.count()) index = series.count() - 1;
    series.setCurrentIndex(index);
    dataEdited(*s);
}

void TSpectraViewerFrame::editDeleteSeriesContainer() {
    if (m_manager->count() == 0) return;
    // The question is the only guard: unsaved series of the pane go with it.
    if (TSpectrumContainer* pane = currentContainer(); pane) {
        const QString question = QStringLiteral("Do you want to remove the component ") +
                                 pane->caption() + QStringLiteral(" with all its series");
        if (m_services.dialogs.message(TMessageKind::Question, question,
                                       {TMessageButton::Yes, TMessageButton::No}) ==
            TMessageButton::Yes)
            m_manager->removeContainer(pane);
    }
    if (m_manager->count() > 0)
        m_manager->navigator()->setSpectrumContainer(m_manager->container(0));
    scheduleUpdateActions();
    emit currentChanged();
}

// --- smoothing -----------------------------------------------------------------------------

void TSpectraViewerFrame::editInsertSpline() {
    TSpectrum* s = currentSpectrum();
    if (!s) return;
    const TPointListSeriePtr source = s->series()->current();
    if (!source) return;
    TFloatPointSortedList& points = *source->points();
    const int n = points.count();

    // The spline is computed for the points as they are now; derivatives kept from an earlier
    // state of the list would bend the copy through points that are gone.
    if (n >= 2 && !points.trySpline(0.0, 0.0))
        throw EEditError("The serie cannot be smoothed: two of its points have the same mass.");

    // Every point of the series, and between each two neighbours the spline's value halfway.
    // The last point is kept too, so that the copy spans the same masses as its source.
    std::vector<TFloatPointRec> smooth;
    smooth.reserve(n > 0 ? static_cast<std::size_t>(2 * n - 1) : 0);
    for (int i = 0; i + 1 < n; ++i) {
        const TFloatPointRec p = points.get(i);
        const double midX = (p.x + points.get(i + 1).x) / 2.0;
        smooth.push_back(p);
        smooth.push_back({midX, points.splint(midX)});
    }
    if (n > 0) smooth.push_back(points.get(n - 1));

    const TPointListSeriePtr serie = s->series()->newSerie(source->name() + smoothSuffix);
    TFloatPointSortedList& target = *serie->points();
    target.setCapacity(static_cast<int>(smooth.size()));
    for (const TFloatPointRec& p : smooth) target.add(p);
    dataEdited(*s);
}
