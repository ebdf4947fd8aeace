// The system clipboard through QClipboard and QMimeData. Text is UTF-8 on the model's side.
#include "app/QtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {

QByteArray toByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

}  // namespace

TQtClipboard::TQtClipboard(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TQtClipboard::changed);
}

QString TQtClipboard::mimeType(const std::string& format) {
    return QStringLiteral("application/x-velmorix-") + QString::fromStdString(format);
}

void TQtClipboard::setText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TQtClipboard::setData(const std::string& format, std::vector<std::uint8_t> bytes) {
    auto* mime = new QMimeData;
    mime->setData(mimeType(format), toByteArray(bytes));
    QGuiApplication::clipboard()->setMimeData(mime);  // takes it
}

void TQtClipboard::setTextAndData(const std::string& text, const std::string& format,
                                  std::vector<std::uint8_t> bytes) {
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(text));
    mime->setData(mimeType(format), toByteArray(bytes));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TQtClipboard::setTextAndMimeData(const std::string& text, const TMimeBlocks& blocks) {
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(text));
    for (const auto& [type, bytes] : blocks) {
        const QByteArray data = toByteArray(bytes);
        if (type == "image/png") mime->setImageData(QImage::fromData(data, "PNG"));
        mime->setData(QString::fromStdString(type), data);
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

std::string TQtClipboard::text() const {
    return QGuiApplication::clipboard()->text().toStdString();
}

bool TQtClipboard::hasText() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText();
}

std::optional<std::vector<std::uint8_t>> TQtClipboard::data(const std::string& format) const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QString type = mimeType(format);
    if (!mime || !mime->hasFormat(type)) return std::nullopt;
    const QByteArray bytes = mime->data(type);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}
