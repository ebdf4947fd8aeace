// Services for runs with nobody at the screen (the command line's headless modes, benchmarks,
// fuzzers): dialogs that answer nothing but keep the messages, and no clipboard.
#pragma once

#include <QApplication>
#include <QCoreApplication>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "model/Clipboard.h"

// Messages take their first button and every other dialog is cancelled; the messages are kept
// for the report.
class TRecordingDialogs : public iDialogs {
public:
    struct TMessage {
        TMessageKind kind;
        QString text;
        std::vector<TMessageButton> buttons;
    };

    std::optional<TFileChoice> openFileName(const QString&, const QStringList&,
                                            const TFileChoice&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QColor> color(const QColor&) override { return std::nullopt; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<TPictureSettings> pictureSettings(const TPictureSettings&,
                                                    const TPicturePreview&, bool,
                                                    const QStringList&) override {
        return std::nullopt;
    }
    bool print(bool, const TPrintPainter&) override { return false; }
    TMessageButton showMessage(TMessageKind kind, const QString& text,
                               const std::vector<TMessageButton>& buttons,
                               TMessageButton defaultButton) override {
        m_messages.push_back({kind, text, buttons});
        return defaultButton;
    }
    void about(const QString&) override {}

    const std::vector<TMessage>& messages() const { return m_messages; }
    void clearMessages() { m_messages.clear(); }
    bool anyError() const {
        for (const auto& m : m_messages)
            if (m.kind == TMessageKind::Error) return true;
        return false;
    }

private:
    std::vector<TMessage> m_messages;
};

// A clipboard that stays empty.
class TNoClipboard : public iClipboard {
public:
    void setText(const std::string&) override {}
    void setData(const std::string&, std::vector<std::uint8_t>) override {}
    void setTextAndData(const std::string&, const std::string&,
                        std::vector<std::uint8_t>) override {}
    void setTextAndMimeData(const std::string&, const TMimeBlocks&) override {}
    std::string text() const override { return {}; }
    bool hasText() const override { return false; }
    std::optional<std::vector<std::uint8_t>> data(const std::string&) const override {
        return std::nullopt;
    }
};

// Makes a widget application on the offscreen platform when there is none yet, for programs
// that are not the viewer; false when the running application cannot show widgets.
inline bool ensureOffscreenApplication() {
    static const bool made = [] {
        if (QCoreApplication::instance())
            return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmorix";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return true;
    }();
    return made;
}
