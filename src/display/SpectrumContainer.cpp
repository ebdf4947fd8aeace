// The pane: its layout, the caption label's text and series stepping, the axis properties.
#include "display/SpectrumContainer.h"

#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <utility>

#include "display/QtColor.h"
#include "display/Spectrum.h"

namespace {

bool isHorizontal(TAxisType type) {
    return type == TAxisType::Top || type == TAxisType::Bottom;
}

}  // namespace

// --- TSerieLabel --------------------------------------------------------------------------------

TSerieLabel::TSerieLabel(QWidget* parent) : QLabel(parent) {
    // Series and file names are shown as they are, never read as markup.
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setIndent(3);
}

void TSerieLabel::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    QLabel::mousePressEvent(event);
    // The press is the label's; it does not travel on to the pane or the manager.
    event->accept();
    emit labelClicked(button);
}

// --- TAxisProperties ----------------------------------------------------------------------------

TAxisProperties::TAxisProperties(TAxis* axis, std::function<void()> onChange)
    : m_axis(axis), m_onChange(std::move(onChange)) {}

TAxisType TAxisProperties::axisType() const {
    return m_axis ? m_axis->axisType() : TAxisType::Bottom;
}

void TAxisProperties::setAxisType(TAxisType type) {
    if (!m_axis || type == m_axis->axisType()) return;
    if (isHorizontal(type) != isHorizontal(m_axis->axisType())) return;
    m_axis->setAxisType(type);
    changed();
}

QString TAxisProperties::caption() const {
    return m_axis ? m_axis->caption() : QString();
}

void TAxisProperties::setCaption(const QString& caption) {
    if (!m_axis || caption == m_axis->caption()) return;
    m_axis->setCaption(caption);
    changed();
}

float TAxisProperties::thick() const {
    return m_axis ? static_cast<float>(m_axis->thick()) : 0.0f;
}

void TAxisProperties::setThick(float inches) {
    if (!m_axis || !std::isfinite(inches) || inches < 0.0f) return;
    if (static_cast<double>(inches) == m_axis->thick()) return;
    m_axis->setThick(inches);
    changed();
}

bool TAxisProperties::isVisible() const {
    return m_axis && !m_axis->isHidden();
}

void TAxisProperties::setVisible(bool visible) {
    if (!m_axis || visible == !m_axis->isHidden()) return;
    m_axis->setVisible(visible);
    changed();
}

void TAxisProperties::changed() const {
    if (m_onChange) m_onChange();
}

// --- TSpectrumContainer -------------------------------------------------------------------------

TSpectrumContainer::TSpectrumContainer(QWidget* parent)
    : QWidget(parent),
      m_spectrum(new TSpectrum(this)),
      m_xAxis(new TAxis(this), [this] { layoutPane(); }),
      m_yAxis(new TAxis(this), [this] { layoutPane(); }),
      m_label(new TSerieLabel(this)) {
    resize(80, 50);
    m_spectrum->setObjectName(QStringLiteral("Spectrum"));
    m_spectrum->setXAxis(m_xAxis.axis());
    m_spectrum->setYAxis(m_yAxis.axis());
    // The x title stands at the far end of the axis, where the tick labels leave it room; the
    // plot titles its y axis after its intensity scale.
    m_xAxis.axis()->setCaption(QStringLiteral("m/z"));
    m_label->show();

    connect(m_label, &TSerieLabel::labelClicked, this, [this](Qt::MouseButton button) {
        stepSerie(button);
        // A press on the label makes the pane current, as a press on its plot does.
        if (TSpectrum* plot = m_spectrum) {
            if (const auto getFocus = plot->onGetFocus) getFocus(plot);
        }
    });
    connect(m_spectrum, &TSpectrum::spectrumDataChanged, this, [this] {
        watchSeries();
        updateLabel();
    });
    connect(m_spectrum, &TSpectrum::fileNameChanged, this, &TSpectrumContainer::updateLabel);
    watchSeries();
    m_label->installEventFilter(this);
    layoutPane();
    updateLabel();
}

TSpectrumContainer::~TSpectrumContainer() {
    // The children outlive this part of the pane; they must not call back into it.
    m_seriesChange.disconnect();
    m_currentSerieChange.disconnect();
    if (m_spectrum) disconnect(m_spectrum, nullptr, this, nullptr);
    m_label->removeEventFilter(this);
    disconnect(m_label, nullptr, this, nullptr);
}

void TSpectrumContainer::watchSeries() {
    TSpectrum* plot = m_spectrum;
    if (!plot) return;
    m_seriesChange = plot->series()->changed.connect([this] {
        watchCurrentSerie();
        updateLabel();
    });
    watchCurrentSerie();
}

void TSpectrumContainer::watchCurrentSerie() {
    TSpectrum* plot = m_spectrum;
    const TPointListSeriePtr serie = plot ? plot->series()->current() : nullptr;
    m_currentSerieChange =
        serie ? serie->changed.connect([this] { updateLabel(); }) : TConnection();
}

iSpectrum& TSpectrumContainer::intSpectrum() const {
    return *m_spectrum;
}

void TSpectrumContainer::setCaption(const QString& caption) {
    if (caption == m_caption) return;
    m_caption = caption;
    layoutPane();
    updateLabel();
    update();
}

QColor TSpectrumContainer::color() const {
    return m_spectrum ? m_spectrum->color() : QColor();
}

void TSpectrumContainer::setColor(const QColor& color) {
    if (m_spectrum) m_spectrum->setColor(color);
}

const TSpectrumDataPtr& TSpectrumContainer::spectrumData() const {
    return m_spectrum->spectrumData();
}

int TSpectrumContainer::labelHeight() const {
    return std::max(m_label->sizeHint().height(), m_label->fontMetrics().height());
}

// Horizontally the y axis takes its width beside the plot with one pixel to spare; vertically
// the label takes the top and the x axis its height with one pixel to spare. An axis that does
// not fit is cut to the pane and the plot gets nothing in that direction. The plot places the
// axes against its own edges.
void TSpectrumContainer::layoutPane() {
    TSpectrum* plot = m_spectrum;
    if (!plot) return;
    TAxis* xAxis = m_xAxis.axis();
    TAxis* yAxis = m_yAxis.axis();
    const int w = width();
    const int h = height();

    // Cuts made for a smaller pane, or for a label since hidden, do not outlive the layout.
    if (xAxis) xAxis->setThick(xAxis->thick());
    if (yAxis) yAxis->setThick(yAxis->thick());

    int labelH = labelHeight();
    m_label->setGeometry(0, 0, w, labelH);
    if (m_label->isHidden()) labelH = 0;

    int left = 0;
    int plotW = w;
    if (yAxis && !yAxis->isHidden()) {
        int axisW = yAxis->width();
        if (axisW + 1 > w) {
            axisW = w;
            yAxis->resize(axisW, yAxis->height());
            plotW = 0;
        } else {
            plotW = w - axisW - 1;
        }
        left = yAxis->axisType() == TAxisType::Left ? axisW : 0;
    }

    int top = 0;
    int plotH = 0;
    if (!xAxis || xAxis->isHidden()) {
        labelH = std::min(labelH, h);
        top = labelH;
        plotH = h - labelH;
    } else {
        int axisH = xAxis->height();
        if (axisH + labelH + 1 > h) {
            axisH = h;
            xAxis->resize(xAxis->width(), axisH);
            plotH = 0;
        } else {
            plotH = h - axisH - labelH - 1;
        }
        top = xAxis->axisType() == TAxisType::Bottom ? labelH : labelH + axisH;
    }
    plot->setGeometry(left, top, std::max(plotW, 0), std::max(plotH, 0));
}

void TSpectrumContainer::updateLabel() {
    TSpectrum* plot = m_spectrum;
    if (!plot) return;
    QString text = m_caption;
    TPointListSerieList& series = *plot->series();
    if (const int index = series.currentIndex(); index >= 0) {
        const TPointListSeriePtr serie = series.current();
        const QString file = QFileInfo(QString::fromStdString(plot->fileName())).fileName();
        text = file + QStringLiteral(" (") + QString::number(index + 1) + QStringLiteral(": ") +
               QString::fromStdString(serie->name()) + QLatin1Char(')');
        const QColor color = toQColor(serie->color());
        if (m_label->palette().color(QPalette::WindowText) != color) {
            QPalette palette = m_label->palette();
            palette.setColor(QPalette::WindowText, color);
            m_label->setPalette(palette);
        }
    }
    if (m_label->text() != text) m_label->setText(text);
}

// Left: the next series, after the last the first; right: the previous one, before the first
// the last.
void TSpectrumContainer::stepSerie(Qt::MouseButton button) {
    TSpectrum* plot = m_spectrum;
    if (!plot) return;
    TPointListSerieList& series = *plot->series();
    const int index = series.currentIndex();
    if (index < 0) return;
    const int count = series.count();
    int next = index;
    if (button == Qt::LeftButton)
        next = index + 1 >= count ? 0 : index + 1;
    else if (button == Qt::RightButton)
        next = index <= 0 ? count - 1 : index - 1;
    else
        return;
    series.setCurrentIndex(next);
    plot->invalidate();
}

void TSpectrumContainer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPane();
}

bool TSpectrumContainer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_label) {
        switch (event->type()) {
            case QEvent::ShowToParent:
            case QEvent::HideToParent:
            case QEvent::FontChange:
                layoutPane();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
