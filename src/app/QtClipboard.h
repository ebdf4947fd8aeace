// The system clipboard behind the model's clipboard interface: plain text, and named binary
// blocks as private MIME types, text and block together in one content when asked.
#pragma once

#include <QObject>
#include <QString>

#include "model/Clipboard.h"

class TQtClipboard : public QObject, public iClipboard {
    Q_OBJECT

public:
    explicit TQtClipboard(QObject* parent = nullptr);

    // "application/x-velmorix-<format>".
    static QString mimeType(const std::string& format);

    void setText(const std::string& text) override;
    void setData(const std::string& format, std::vector<std::uint8_t> bytes) override;
    void setTextAndData(const std::string& text, const std::string& format,
                        std::vector<std::uint8_t> bytes) override;
    // A PNG block is also offered as an image, which every platform's clipboard knows.
    void setTextAndMimeData(const std::string& text, const TMimeBlocks& blocks) override;

    std::string text() const override;
    bool hasText() const override;
    std::optional<std::vector<std::uint8_t>> data(const std::string& format) const override;

signals:
    // The clipboard's content changed, here or in another program.
    void changed();
};
