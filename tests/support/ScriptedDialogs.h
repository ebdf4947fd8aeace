// Dialogs for application tests: answers come from a script, in order, and every dialog asked
// is logged. A dialog without a matching scripted answer fails the test and is answered as if
// cancelled (the last button for a message box); answers left over fail the test too.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "app/Dialogs.h"

// Names in the order the enumerations declare their values.
inline const char* messageKindName(TMessageKind kind) {
    static const char* const names[] = {"error", "warning", "question", "info"};
    return names[static_cast<int>(kind)];
}

inline const char* messageButtonName(TMessageButton button) {
    static const char* const names[] = {"Ok", "Abort", "Ignore", "Yes", "No", "Cancel"};
    return names[static_cast<int>(button)];
}

// One message box as it was shown.
struct TLoggedMessage {
    TMessageKind kind = TMessageKind::Info;
    QString text;
    std::vector<TMessageButton> buttons;

    friend bool operator==(const TLoggedMessage&, const TLoggedMessage&) = default;
};

// An error box with Abort, as failed commands show.
inline TLoggedMessage errorBox(const QString& text) {
    return {TMessageKind::Error, text, {TMessageButton::Abort}};
}

inline void PrintTo(const TLoggedMessage& m, std::ostream* os) {
    *os << messageKindName(m.kind) << " \"" << m.text.toStdString() << "\" [";
    for (std::size_t i = 0; i < m.buttons.size(); ++i)
        *os << (i ? " " : "") << messageButtonName(m.buttons[i]);
    *os << ']';
}

class ScriptedDialogs : public iDialogs {
public:
    struct TOpenRequest {
        QString title;
        QStringList filters;
        TFileChoice start;
    };
    struct TSaveRequest {
        QString title;
        QString proposed;
    };
    struct TInputRequest {
        QString title;
        QString prompt;
        QString initial;
    };

    ScriptedDialogs() = default;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;
    ~ScriptedDialogs() override {
        for (const auto& entry : m_script)
            ADD_FAILURE() << "scripted answer never asked for: " << entry.description.toStdString();
    }

    // --- the script -------------------------------------------------------------------------
    void chooseFile(const QString& path, int filterIndex = 1) {
        push(TOpenAnswer{TFileChoice{path, filterIndex}, {}}, "open " + path);
    }
    // Several files chosen at once; a dialog for one file takes the first.
    void chooseFiles(const QStringList& paths, int filterIndex = 1) {
        push(TOpenAnswer{TFileChoice{paths.value(0), filterIndex}, paths},
             "open " + paths.join(QStringLiteral(", ")));
    }
    void cancelOpen() { push(TOpenAnswer{std::nullopt, {}}, "cancel open"); }
    void saveAs(const QString& path) { push(TSaveAnswer{path}, "save as " + path); }
    void cancelSave() { push(TSaveAnswer{std::nullopt}, "cancel save"); }
    void pickColor(const QColor& color) { push(TColorAnswer{color}, "colour " + color.name()); }
    void enterText(const QString& text) { push(TInputAnswer{text}, "enter \"" + text + "\""); }
    void cancelInput() { push(TInputAnswer{std::nullopt}, "cancel input"); }
    // The button pressed in the next message box; it must be one the box offers.
    void press(TMessageButton button) {
        push(TMessageAnswer{button}, QStringLiteral("press ") + messageButtonName(button));
    }
    // Work run with progress is given up at its calls-th report (counted from 1) from now on.
    void giveUpProgressAt(int calls) { m_giveUpAt = calls; }
    // The labels of the work run with progress, in order.
    const std::vector<QString>& progressLabels() const { return m_progressLabels; }

    // The panes each export dialog offered to choose from.
    const std::vector<QStringList>& paneNameOffers() const { return m_paneNames; }
    // The export dialog's answer: these settings, or cancelled.
    void choosePicture(const TPictureSettings& settings) {
        push(TPictureAnswer{settings}, "picture settings " + settings.toText());
    }
    void cancelPicture() { push(TPictureAnswer{std::nullopt}, "cancel picture"); }
    // The next print or print preview prints to a PDF file at path, the panes arranged as
    // pages says.
    void printTo(const QString& path, TPrintPages pages = TPrintPages::AllOnOnePage) {
        push(TPrintAnswer{path, pages}, "print to " + path);
    }
    // The next dialog is the About box; it is closed with OK.
    void closeAbout() { push(TAboutAnswer{}, QStringLiteral("close About")); }

    // --- what was asked ---------------------------------------------------------------------
    const std::vector<TLoggedMessage>& messages() const { return m_messages; }
    const std::vector<TOpenRequest>& openRequests() const { return m_opens; }
    const std::vector<TSaveRequest>& saveRequests() const { return m_saves; }
    const std::vector<QColor>& colorRequests() const { return m_colors; }
    const std::vector<TInputRequest>& inputRequests() const { return m_inputs; }
    const std::vector<QString>& aboutRequests() const { return m_abouts; }
    // The settings each export dialog started from, and the preview it showed of them.
    const std::vector<TPictureSettings>& pictureRequests() const { return m_pictures; }
    // Per export dialog: whether it offered the chromatogram.
    const std::vector<bool>& chromatogramOffers() const { return m_chromatogramOffers; }
    const std::vector<QImage>& previews() const { return m_previews; }
    // Whether each print asked was a preview.
    const std::vector<bool>& printRequests() const { return m_prints; }
    void clearLog() {
        m_messages.clear();
        m_defaultButtons.clear();
        m_opens.clear();
        m_saves.clear();
        m_colors.clear();
        m_inputs.clear();
        m_abouts.clear();
        m_pictures.clear();
        m_chromatogramOffers.clear();
        m_previews.clear();
        m_prints.clear();
    }

    // --- iDialogs ---------------------------------------------------------------------------
    std::optional<TFileChoice> openFileName(const QString& title, const QStringList& filters,
                                            const TFileChoice& start) override {
        m_opens.push_back({title, filters, start});
        if (auto* answer = next<TOpenAnswer>("open dialog \"" + title + "\""))
            return answer->choice;
        return std::nullopt;
    }
    std::optional<TFileChoices> openFileNames(const QString& title, const QStringList& filters,
                                              const TFileChoice& start) override {
        m_opens.push_back({title, filters, start});
        auto* answer = next<TOpenAnswer>("open dialog \"" + title + "\"");
        if (!answer || !answer->choice) return std::nullopt;
        const QStringList paths =
            answer->paths.isEmpty() ? QStringList{answer->choice->path} : answer->paths;
        return TFileChoices{paths, answer->choice->filterIndex};
    }
    std::optional<QString> saveFileName(const QString& title, const QString& proposed) override {
        m_saves.push_back({title, proposed});
        if (auto* answer =
                next<TSaveAnswer>("save dialog \"" + title + "\" proposing \"" + proposed + "\""))
            return answer->path;
        return std::nullopt;
    }
    std::optional<QColor> color(const QColor& initial) override {
        m_colors.push_back(initial);
        if (auto* answer = next<TColorAnswer>("colour dialog at " + initial.name()))
            return answer->color;
        return std::nullopt;
    }
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& initial) override {
        m_inputs.push_back({title, prompt, initial});
        if (auto* answer = next<TInputAnswer>("input box \"" + title + "\" / \"" + prompt + "\""))
            return answer->text;
        return std::nullopt;
    }
    std::optional<TPictureSettings> pictureSettings(const TPictureSettings& initial,
                                                    const TPicturePreview& preview,
                                                    bool chromatogramOffered,
                                                    const QStringList& paneNames) override {
        m_pictures.push_back(initial);
        m_paneNames.push_back(paneNames);
        m_chromatogramOffers.push_back(chromatogramOffered);
        m_previews.push_back(preview(initial, QSize(240, 160)));
        if (auto* answer = next<TPictureAnswer>("export dialog from " + initial.toText()))
            return answer->settings;
        return std::nullopt;
    }
    bool print(bool preview, const TPrintPainter& paint) override {
        m_prints.push_back(preview);
        auto* answer = next<TPrintAnswer>(preview ? QStringLiteral("print preview")
                                                  : QStringLiteral("print dialog"));
        if (!answer) return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer->path);
        paint(printer, answer->pages);
        return true;
    }
    // The button Enter would have pressed in each message box, in order.
    const std::vector<TMessageButton>& defaultButtons() const { return m_defaultButtons; }

protected:
    TMessageButton showMessage(TMessageKind kind, const QString& text,
                               const std::vector<TMessageButton>& buttons,
                               TMessageButton defaultButton) override {
        m_messages.push_back({kind, text, buttons});
        m_defaultButtons.push_back(defaultButton);
        const TMessageButton fallback = buttons.empty() ? TMessageButton::Ok : buttons.back();
        const QString what = QString::fromLatin1(messageKindName(kind)) + " box \"" + text + "\"";
        auto* answer = next<TMessageAnswer>(what);
        if (!answer) return fallback;
        for (const auto button : buttons)
            if (button == answer->button) return button;
        ADD_FAILURE() << what.toStdString() << " has no button "
                      << messageButtonName(answer->button);
        return fallback;
    }

public:
    void runWithProgress(const QString& label,
                         const std::function<void(const TProgress&)>& work) override {
        m_progressLabels.push_back(label);
        int calls = 0;
        work([&](double) { return m_giveUpAt <= 0 || ++calls < m_giveUpAt; });
    }
    void about(const QString& version) override {
        m_abouts.push_back(version);
        next<TAboutAnswer>("About box for version " + version);
    }

private:
    struct TOpenAnswer {
        std::optional<TFileChoice> choice;
        QStringList paths;  // all of them, for a choice of several files
    };
    struct TSaveAnswer {
        std::optional<QString> path;
    };
    struct TColorAnswer {
        std::optional<QColor> color;
    };
    struct TInputAnswer {
        std::optional<QString> text;
    };
    struct TMessageAnswer {
        TMessageButton button;
    };
    struct TAboutAnswer {};
    int m_giveUpAt = 0;
    std::vector<QString> m_progressLabels;
    std::vector<QStringList> m_paneNames;
    struct TPictureAnswer {
        std::optional<TPictureSettings> settings;
    };
    struct TPrintAnswer {
        QString path;
        TPrintPages pages;
    };
    using TAnswer = std::variant<TOpenAnswer, TSaveAnswer, TColorAnswer, TInputAnswer,
                                 TMessageAnswer, TAboutAnswer, TPictureAnswer, TPrintAnswer>;

    // An answer and how a failure names it.
    struct TEntry {
        TAnswer answer;
        QString description;
    };
    void push(TAnswer answer, const QString& description) {
        m_script.push_back({std::move(answer), description});
    }

    // The next answer when it is of kind T (consumed); otherwise a test failure and nullptr.
    template <class T>
    T* next(const QString& asked) {
        if (m_script.empty()) {
            ADD_FAILURE() << "unexpected " << asked.toStdString();
            return nullptr;
        }
        if (!std::holds_alternative<T>(m_script.front().answer)) {
            ADD_FAILURE() << "unexpected " << asked.toStdString() << "; the script expected "
                          << m_script.front().description.toStdString();
            return nullptr;
        }
        m_current = std::move(m_script.front().answer);
        m_script.pop_front();
        return &std::get<T>(m_current);
    }

    std::deque<TEntry> m_script;
    TAnswer m_current;
    std::vector<TLoggedMessage> m_messages;
    std::vector<TMessageButton> m_defaultButtons;
    std::vector<TOpenRequest> m_opens;
    std::vector<TSaveRequest> m_saves;
    std::vector<QColor> m_colors;
    std::vector<TInputRequest> m_inputs;
    std::vector<QString> m_abouts;
    std::vector<TPictureSettings> m_pictures;
    std::vector<bool> m_chromatogramOffers;
    std::vector<QImage> m_previews;
    std::vector<bool> m_prints;
};
