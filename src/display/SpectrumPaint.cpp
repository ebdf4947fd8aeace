// The plot widget's painting: the cached drawing of series and labels, and what decides when
// it is drawn again.
#include "display/Spectrum.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "display/Axis.h"
#include "display/Cursors.h"
#include "display/FontPainter.h"
#include "display/MeasureTool.h"
#include "display/PaintFailures.h"
#include "display/SpectrumTool.h"
#include "display/ViewCommands.h"
#include "model/ModelErrors.h"

namespace {

// FNV-1a over the values that decide how labels look.
class THash {
public:
    template <class T>
    void add(const T& value) {
        addBytes(&value, sizeof value);
    }
    void add(const std::string& text) {
        add(text.size());
        addBytes(text.data(), text.size());
    }
    std::uint64_t value() const { return m_value; }

private:
    void addBytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            m_value ^= bytes[i];
            m_value *= 1099511628211ULL;
        }
    }
    std::uint64_t m_value = 14695981039346656037ULL;
};

}  // namespace

// --- painting --------------------------------------------------------------------------------

TPlotState TSpectrum::plotState() const {
    TPlotState state;
    state.data = m_data;
    state.frameColor = m_color;
    state.focused = m_focused;
    state.hideThreshold = m_hideThreshold;
    state.marks = m_marks;
    state.scale = m_scale;
    state.mirrored = mirroredFlags();
    state.pins = m_pins;
    return state;
}

void TSpectrum::setMarks(std::vector<TPlotMark> marks) {
    if (marks == m_marks) return;
    m_marks = std::move(marks);
    m_pressedMark.reset();
    update();
}

std::optional<int> TSpectrum::markAt(int x, int y) const {
    const auto placed = placeMarks(TPlotMapping(*m_data, size()).view(), m_marks);
    const int tolerance = pickTolerance();
    // Triangles first, the nearest one, as texts lifted over their neighbours lie close to
    // other marks' triangles; then the texts.
    std::optional<int> best;
    int bestDistance = 0;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (!placed[i]) continue;
        const QRect& t = placed[i]->triangle;
        if (!t.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(x, y)) continue;
        const int distance = std::abs(t.center().x() - x);
        if (!best || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    if (best) return best;
    for (std::size_t i = 0; i < placed.size(); ++i)
        if (placed[i] && placed[i]->text.contains(x, y)) return static_cast<int>(i);
    return std::nullopt;
}

TRenderSettings TSpectrum::renderSettings() const {
    TRenderSettings settings;
    settings.background = palette().color(backgroundRole());
    settings.serieLineWidth = serieLineWidth();
    settings.highlightLineWidth = highlightLineWidth();
    settings.gapsAreEmpty = m_gapsAreEmpty;
    return settings;
}

std::uint64_t TSpectrum::labelStateHash() const {
    const TLabelSeries& labels = *m_data->labels();
    THash hash;
    hash.add(labels.isVisible());
    hash.add(labels.needsLayout());
    for (const TLabelListPtr& list : labels) {
        hash.add(list.get());
        hash.add(list->isVisible());
        hash.add(list->count());
        if (const auto* text = dynamic_cast<const TTextLabelList*>(list.get())) {
            const TFontEx& font = text->font();
            hash.add(font.name);
            hash.add(font.size);
            hash.add(font.style.bold);
            hash.add(font.style.italic);
            hash.add(font.style.underline);
            hash.add(font.style.strikeOut);
            hash.add(font.color.toBgr());
            hash.add(font.escapement);
            hash.add(font.textAlign);
        }
        for (const TControlLabelPtr& label : *list) {
            hash.add(label.get());
            hash.add(label->isVisible());
            hash.add(label->isMoved());
            hash.add(label->isPlacedByUser());
            hash.add(label->needsPlacement());
            const TRect b = label->bounds();
            hash.add(b.left);
            hash.add(b.top);
            hash.add(b.right);
            hash.add(b.bottom);
            if (const auto* text = dynamic_cast<const TTextLabel*>(label.get()))
                hash.add(text->text());
        }
    }
    return hash.value();
}

TSpectrum::TDrawingKey TSpectrum::drawingKey() const {
    TDrawingKey key;
    key.width = width();
    key.height = height();
    key.pixelRatio = devicePixelRatioF();
    const TRenderSettings settings = renderSettings();
    key.background = settings.background.rgba();
    const TRange& x = *m_data->xRange();
    const TRange& y = *m_data->yRange();
    key.xMin = x.min();
    key.xMax = x.max();
    key.yMin = y.min();
    key.yMax = y.max();
    key.xReversed = x.isReversed();
    key.yReversed = y.isReversed();
    key.baseLine = m_data->baseLine();
    key.serieWidth = settings.serieLineWidth;
    key.highlightWidth = settings.highlightLineWidth;
    key.gapsAreEmpty = settings.gapsAreEmpty;
    TPointListSerieList& list = *m_data->series();
    key.seriesList = &list;
    key.currentIndex = list.currentIndex();
    key.series.reserve(static_cast<std::size_t>(list.count()));
    for (const TPointListSeriePtr& serie : list) {
        key.series.push_back({serie.get(), serie->points().get(), serie->points()->revision(),
                              serie->color().toBgr(), static_cast<int>(serie->style())});
    }
    key.labels = labelStateHash();
    key.intensity = static_cast<int>(m_scale.intensity);
    key.log = m_yMapping.log;
    key.logFloor = m_yMapping.logFloor;
    key.mirrored = mirroredFlags();
    return key;
}

void TSpectrum::updateCache(std::vector<std::string>& messages) {
    if (width() <= 0 || height() <= 0) {
        m_cache = QImage();
        m_cacheValid = false;
        return;
    }
    TDrawingKey key = drawingKey();
    if (m_cacheValid && key == m_cacheKey) return;

    m_cacheValid = false;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    if (m_cache.size() != pixels) m_cache = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    if (m_cache.isNull()) return;
    m_cache.setDevicePixelRatio(ratio);
    const TRenderSettings settings = renderSettings();
    m_cache.fill(settings.background);

    bool complete = true;
    {
        QPainter painter(&m_cache);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const TPlotMapping mapping(*m_data, size(), m_yMapping);
        complete = collecting(messages, [&] {
            m_renderer.renderSeries(painter, mapping.view(), *m_data->series(), settings,
                                    mirroredFlags());
        });
        complete = collecting(messages,
                              [&] {
                                  // The labels' own layout is that of the screen: hit tests and
                                  // drags read it.
                                  m_shownLabels = m_data->labels()->updateLayout(*this);
                                  TPlotRenderer::renderLabels(painter, m_shownLabels);
                              }) &&
                   complete;
    }
    // Laying the labels out settles their layout; the key after it is what the image shows. A
    // drawing cut short by an exception is tried again at the next repaint (a conversion the
    // ranges could not make has given 0 and is not retried).
    if (complete) {
        m_cacheKey = drawingKey();
        m_cacheValid = true;
    }
}

void TSpectrum::paintEvent(QPaintEvent*) {
    std::vector<std::string> messages;
    collecting(messages, [&] {
        TRangeErrorCollector collector(messages);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, false);
        collecting(messages, [&] { updateCache(messages); });
        if (!m_cache.isNull())
            painter.drawImage(0, 0, m_cache);
        else
            painter.fillRect(rect(), palette().color(backgroundRole()));
        auto stage = [&](auto&& work) {
            painter.save();
            collecting(messages, work);
            painter.restore();
        };
        const TRenderSettings settings = renderSettings();
        stage([&] { TPlotRenderer::renderFrame(painter, size(), m_color, m_data->brush()); });
        if (m_focused) stage([&] { TPlotRenderer::renderFocusFrame(painter, size(), settings); });
        if (!m_hideThreshold) {
            stage([&] {
                TPlotRenderer::renderThreshold(painter,
                                               TPlotMapping(*m_data, size(), m_yMapping).view(),
                                               *m_data->series(), settings);
            });
        }
        if (!m_marks.empty()) {
            stage([&] {
                TPlotRenderer::renderMarks(painter, TPlotMapping(*m_data, size()).view(), m_marks,
                                           settings.background);
            });
        }
        if (!m_pins.empty()) {
            stage([&] { TPlotRenderer::renderPins(painter, *this, m_pins); });
        }
        if (m_readout) stage([&] { paintReadoutMarker(painter); });
        if (m_spectrumCursor.isShown()) stage([&] { m_spectrumCursor.paint(painter, *this); });
        if (const iSpectrumToolPtr tool = m_tool) {
            stage([&] {
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.setPen(invertingPen());
                painter.setBrush(Qt::NoBrush);
                tool->paint(painter);
            });
        }
        if (m_spanning) {
            stage([&] {
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.setPen(invertingPen());
                painter.setBrush(Qt::NoBrush);
                m_spanTool->paint(painter);
            });
        }
        if (m_shiftMeasure->measurement()) stage([&] { m_shiftMeasure->paint(painter); });
    });
    announce(m_paintMessages, std::move(messages));
}

void TSpectrum::announce(TMessageBurst& burst, std::vector<std::string> messages) {
    for (const std::string& text : messages) {
        if (std::find(burst.raised.begin(), burst.raised.end(), text) != burst.raised.end())
            continue;
        QMetaObject::invokeMethod(
            this, [this, message = QString::fromStdString(text)] { emit messageRaised(message); },
            Qt::QueuedConnection);
    }
    burst.raised = std::move(messages);
}
