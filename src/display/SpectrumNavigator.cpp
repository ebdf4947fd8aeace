// The navigator's buttons, their routing and the work each one does on the bound spectrum.
#include "display/SpectrumNavigator.h"

#include <QApplication>
#include <QButtonGroup>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

#include "display/Spectrum.h"
#include "display/MeasureTool.h"
#include "display/SpectrumContainer.h"
#include "display/SpectrumTool.h"
#include "display/ViewCommands.h"

// Outside any namespace, as the resource macro declares the registration function where it
// stands. A resource file compiled into a static library is registered only on request.
static void initGlyphResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(glyphs);
        return true;
    }();
    (void)done;
}

namespace {

constexpr int buttonSide = 26;  // pixels
constexpr int glyphSide = 20;   // logical pixels, the design size of the glyphs
constexpr int navigatorHeight = 27;
constexpr int groupGap = 6;  // extra pixels between groups of buttons

// Renders an SVG glyph at whatever size and pixel density the button asks for, so that it
// stays sharp on dense screens without relying on an icon plugin being deployed.
class TGlyphEngine : public QIconEngine {
public:
    explicit TGlyphEngine(const QString& resource)
        : m_renderer(std::make_shared<QSvgRenderer>(resource)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image = pixmap(rect.size() * ratio, mode, state);
        image.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const auto key = std::make_tuple(size.width(), size.height(), static_cast<int>(mode));
        if (const auto found = m_cache.find(key); found != m_cache.end()) return found->second;
        QPixmap image(size);
        image.fill(Qt::transparent);
        if (m_renderer->isValid()) {
            QPainter painter(&image);
            m_renderer->render(&painter, QRectF(QPointF(0, 0), size));
        }
        if (mode != QIcon::Normal) {
            if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
                QStyleOption option;
                option.palette = QApplication::palette();
                image = app->style()->generatedIconPixmap(mode, image, &option);
            }
        }
        m_cache.emplace(key, image);
        return image;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new TGlyphEngine(*this); }
    QString key() const override { return QStringLiteral("TGlyphEngine"); }
    bool isNull() override { return !m_renderer->isValid(); }

private:
    std::shared_ptr<QSvgRenderer> m_renderer;  // shared by the clones; read only
    std::map<std::tuple<int, int, int>, QPixmap> m_cache;
};

QIcon glyph(const char* name) {
    initGlyphResources();
    return QIcon(new TGlyphEngine(QStringLiteral(":/glyphs/") + QLatin1String(name)));
}

TFloatRect ordered(const TFloatRect& r) {
    return {std::min(r.x1, r.x2), std::min(r.y1, r.y2), std::max(r.x1, r.x2), std::max(r.y1, r.y2)};
}

}  // namespace

TNavigatorButton::TNavigatorButton(QWidget* parent) : QToolButton(parent) {}

TSpectrumNavigator::TSpectrumNavigator(QWidget* parent)
    : QWidget(parent), m_toolGroup(new QButtonGroup(this)) {
    setEnabled(false);
    m_toolGroup->setExclusive(true);

    const auto tool = [this](const char* glyphName, const QString& hint, TToolFactory make) {
        TNavigatorButton* b = addButton(glyphName, hint, 1);
        b->ownClick = [this, b, make] { selectTool(b, make); };
    };
    const auto action = [this](const char* glyphName, const QString& hint, int group,
                               std::function<void()> work) {
        addButton(glyphName, hint, group)->ownClick = std::move(work);
    };
    tool("POINTBTT", QStringLiteral("Cross cursor pointer"), makeCrossCursorTool);
    tool("SCROLLBTT", QStringLiteral("Scroller"), makeScrollTool);
    tool("SHRINKTXBTT", QStringLiteral("Shrink and expand mass range"), makeStretchXTool);
    tool("SHRINKTYBTT", QStringLiteral("Shrink and expand abundance range"), makeStretchYTool);
    m_nextLeft += groupGap;
    action("UNDOBTT", QStringLiteral("Undo range"), 0, [this] {
        if (m_spectrum) TViewCommands(*m_spectrum).back();
    });
    tool("ZOOMBTT", QStringLiteral("Zoom in"), makeZoomTool);
    action("REDOBTT", QStringLiteral("Redo range"), 0, [this] {
        if (m_spectrum) TViewCommands(*m_spectrum).forward();
    });
    m_nextLeft += groupGap;
    tool("LabelBTT", QStringLiteral("Move Labels"), makeLabelTool);
    action("SHWTHRBTT", QStringLiteral("Threshold tool"), 2, [this] { showThreshold(); });
    m_nextLeft += groupGap;
    action("FULLXBTT", QStringLiteral("Select the complete mass range of the spectrum"), 0,
           [this] { fullMassRange(); });
    action("FULLXYBTT",
           QStringLiteral("Select full mass and abundance range to completely cover the spectrum"),
           0, [this] { fullMassAndAbundanceRange(); });
    action("TOPPEAKBTT", QStringLiteral("Select height of the top peak to set the abundance range"),
           0, [this] { topPeak(); });
    m_nextLeft += groupGap;
    tool("MEASUREBTT", QStringLiteral("Measure between two peaks (or Shift+drag)"),
         makeMeasureTool);

    resize(m_nextLeft, navigatorHeight);
    setFixedHeight(navigatorHeight);
    setMinimumWidth(m_nextLeft);
    applyButtonMode();
}

TSpectrumNavigator::~TSpectrumNavigator() {
    // The spectrum may outlive the navigator; it only loses its watcher.
    if (m_spectrumObject) disconnect(m_spectrumObject, nullptr, this, nullptr);
}

TNavigatorButton* TSpectrumNavigator::addButton(const char* glyphName, const QString& hint,
                                                int group) {
    auto* button = new TNavigatorButton(this);
    button->setIcon(glyph(glyphName));
    button->setIconSize(QSize(glyphSide, glyphSide));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(m_nextLeft, 0, buttonSide, buttonSide);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    if (group == 1) {
        button->setCheckable(true);
        m_toolGroup->addButton(button);
    } else if (group == 2) {
        button->setCheckable(true);  // toggles on its own
    }
    connect(button, &QAbstractButton::clicked, this, [this, button] { runClick(button); });
    m_buttons.push_back(button);
    m_nextLeft += buttonSide;
    return button;
}

QAbstractButton* TSpectrumNavigator::button(int index) const {
    if (index < 0 || index >= buttonCount()) return nullptr;
    return m_buttons[static_cast<std::size_t>(index)];
}

void TSpectrumNavigator::runClick(TNavigatorButton* button) {
    try {
        if (button->onClick) button->onClick();
    } catch (const std::exception& e) {
        emit messageRaised(QString::fromStdString(e.what()));
    } catch (...) {
        emit messageRaised(tr("Unexpected failure"));
    }
}

// --- binding ----------------------------------------------------------------------------------

void TSpectrumNavigator::setSpectrum(TSpectrum* s) {
    TSpectrum* const old = m_spectrum;
    if (old && old != s) {
        disconnect(m_spectrumObject, &QObject::destroyed, this, nullptr);
        // Also when unbinding: no pane keeps the look of the current one while none is.
        old->setFocused(false);
    }
    m_spectrum = s;
    m_spectrumObject = s;
    if (s) {
        if (s != old)
            connect(s, &QObject::destroyed, this,
                    [this](QObject* object) { spectrumDestroyed(object); });
        s->setFocused(true);
        // The toggle shows the state of the spectrum it now acts on.
        m_buttons[ThresholdButton]->setChecked(!s->hideThreshold());
    }
    applyButtonMode();
    setEnabled(s != nullptr);
    if (s != old) emit spectrumChanged(s);
}

void TSpectrumNavigator::spectrumDestroyed(QObject* object) {
    // The object is no longer a spectrum: nothing may be called on it.
    if (object != m_spectrumObject) return;
    m_spectrum = nullptr;
    m_spectrumObject = nullptr;
    applyButtonMode();
    setEnabled(false);
    emit spectrumChanged(nullptr);
}

TSpectrumContainer* TSpectrumNavigator::spectrumContainer() const {
    if (!m_spectrum) return nullptr;
    auto* container = qobject_cast<TSpectrumContainer*>(m_spectrum->parentWidget());
    return container && container->spectrum() == m_spectrum ? container : nullptr;
}

void TSpectrumNavigator::setSpectrumContainer(TSpectrumContainer* c) {
    if (c) setSpectrum(c->spectrum());
}

// --- button modes -----------------------------------------------------------------------------

void TSpectrumNavigator::setButtonMode(TButtonMode mode) {
    m_buttonMode = mode;
    applyButtonMode();
}

void TSpectrumNavigator::routeToDefault() {
    for (TNavigatorButton* b : m_buttons)
        b->onClick = [this, b] {
            if (onDefaultClick) onDefaultClick(b);
        };
}

void TSpectrumNavigator::applyButtonMode() {
    switch (m_buttonMode) {
        case TButtonMode::None:
            onDefaultClick = nullptr;
            break;
        case TButtonMode::DefaultClick:
            routeToDefault();
            break;
        case TButtonMode::Spectrum:
            if (!m_spectrum) {
                routeToDefault();
                break;
            }
            for (TNavigatorButton* b : m_buttons) b->onClick = b->ownClick;
            // The selected tool again, made for the spectrum now bound.
            if (auto* down = static_cast<TNavigatorButton*>(m_toolGroup->checkedButton()))
                down->ownClick();
            break;
    }
}

// --- the buttons' work ------------------------------------------------------------------------

void TSpectrumNavigator::selectTool(TNavigatorButton* button, TToolFactory make) {
    if (!m_spectrum) return;
    m_spectrum->setTool(make(*m_spectrum));
    button->setChecked(true);
    if (onButtonClick) onButtonClick(button);
}

void TSpectrumNavigator::showThreshold() {
    if (!m_spectrum) return;
    m_spectrum->setHideThreshold(!m_buttons[ThresholdButton]->isChecked());
    m_spectrum->invalidate();
}

std::optional<TFloatRect> TSpectrumNavigator::standingZone(bool needHeight) const {
    // Only the zone tool leaves a zone: the label tool's rectangle is a dragged label, and the
    // zoom tool's drag is spent on its release.
    const iSpectrumToolPtr& tool = m_spectrum->tool();
    if (!dynamic_cast<const TZoneTool*>(tool.get()) || dynamic_cast<const TZoomTool*>(tool.get()))
        return std::nullopt;
    if (tool->zoneNarrowX() || (needHeight && tool->zoneNarrowY())) return std::nullopt;
    return ordered(tool->getWorldZone());
}

void TSpectrumNavigator::replaceZoneTool() {
    // A plain zone tool has no button, so none stays down.
    m_spectrum->setTool(makeZoneTool(*m_spectrum));
    if (QAbstractButton* down = m_toolGroup->checkedButton()) {
        m_toolGroup->setExclusive(false);
        down->setChecked(false);
        m_toolGroup->setExclusive(true);
    }
}

void TSpectrumNavigator::fullMassRange() {
    if (!m_spectrum) return;
    const auto zone = standingZone(false);
    TViewCommands(*m_spectrum).fullMassRange(zone);
    if (zone) replaceZoneTool();
}

void TSpectrumNavigator::fullMassAndAbundanceRange() {
    if (!m_spectrum) return;
    const auto zone = standingZone(true);
    TViewCommands(*m_spectrum).fullMassAndAbundanceRange(zone);
    if (zone) replaceZoneTool();
}

void TSpectrumNavigator::topPeak() {
    if (!m_spectrum) return;
    const auto zone = standingZone(false);
    if (TViewCommands(*m_spectrum).topPeak(zone) && zone) replaceZoneTool();
}
