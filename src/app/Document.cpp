// Documents: where Save writes, the name the panes show, the panes that came from a file.
#include "app/Document.h"

#include <QFileInfo>

#include <algorithm>

#include "display/Spectrum.h"
#include "display/SpectrumContainer.h"
#include "model/SpectrumData.h"

namespace {

bool isMziPath(const QString& path) {
    return path.endsWith(QStringLiteral(".mzi"), Qt::CaseInsensitive);
}

}  // namespace

QString withExtension(const QString& path, const QString& extension) {
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return (dot >= nameStart ? path.left(dot) : path) + extension;
}

TDocument::TDocument(TDocumentFormat format, QString path)
    : m_format(format), m_path(std::move(path)) {}

QString TDocument::savePath() const {
    if (m_format != TDocumentFormat::Mzi || !m_readWhole || !isMziPath(m_path)) return {};
    return QFileInfo(m_path).absoluteFilePath();
}

QString TDocument::displayName() const {
    switch (m_format) {
        case TDocumentFormat::None:
            return QStringLiteral("new.mzi");
        case TDocumentFormat::Text:
            return withExtension(m_path, QStringLiteral(".mzi"));
        case TDocumentFormat::Mzi:
        case TDocumentFormat::Run:
            break;
    }
    return m_path;
}

void TDocument::savedAs(const QString& path) {
    m_format = TDocumentFormat::Mzi;
    m_path = path;
    m_readWhole = true;
}

std::vector<TSpectrumContainer*> TDocument::panes() const {
    std::vector<TSpectrumContainer*> living;
    for (const auto& pane : m_panes)
        if (pane) living.push_back(pane);
    return living;
}

void TDocument::addPane(TSpectrumContainer* pane) {
    if (pane && !holds(pane)) m_panes.emplace_back(pane);
}

void TDocument::removePane(const TSpectrumContainer* pane) {
    std::erase_if(m_panes, [pane](const auto& p) { return !p || p.data() == pane; });
}

bool TDocument::holds(const TSpectrumContainer* pane) const {
    return pane && std::any_of(m_panes.begin(), m_panes.end(),
                               [pane](const auto& p) { return p.data() == pane; });
}

bool TDocument::isModified() const {
    for (TSpectrumContainer* pane : panes())
        if (pane->spectrum() && pane->spectrum()->spectrumData()->isModified()) return true;
    return false;
}
