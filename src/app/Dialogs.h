// Every dialog and message box of the viewer goes through iDialogs, so that tests and headless
// runs can answer from a script and see what was asked.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "app/PictureExport.h"

class QPrinter;

// A chosen file and the filter entry it was chosen with, counted from 1 as the filter lists
// are numbered.
struct TFileChoice {
    QString path;
    int filterIndex = 1;
};

// Files chosen together in one open dialog, in the order the dialog gives them.
struct TFileChoices {
    QStringList paths;
    int filterIndex = 1;
};
// The export dialog's preview: the picture of settings fitted into box pixels.
using TPicturePreview = std::function<QImage(const TPictureSettings& settings, QSize box)>;

enum class TPrintPages { AllOnOnePage, OnePanePerPage };
// Draws every page of a print on printer, with the panes arranged as pages says.
using TPrintPainter = std::function<void(QPrinter& printer, TPrintPages pages)>;

enum class TMessageKind { Error, Warning, Question, Info };
enum class TMessageButton { Ok, Abort, Ignore, Yes, No, Cancel };

// The word a report (JSON, standard error) gives a message's kind.
inline const char* messageKindText(TMessageKind kind) {
    switch (kind) {
        case TMessageKind::Error:
            return "error";
        case TMessageKind::Warning:
            return "warning";
        case TMessageKind::Question:
            return "question";
        case TMessageKind::Info:
            return "info";
    }
    return "info";
}

class iDialogs {
public:
    virtual ~iDialogs() = default;

    // Filters in Qt's form ("mzi files (*.mzi)"); the dialog starts in start.path (a folder;
    // empty for the current one) with filter entry start.filterIndex selected. nullopt when
    // cancelled.
    virtual std::optional<TFileChoice> openFileName(const QString& title,
                                                    const QStringList& filters,
                                                    const TFileChoice& start) = 0;
    // The same, taking several files at once. Without a dialog of its own an implementation
    // asks for one file.
    virtual std::optional<TFileChoices> openFileNames(const QString& title,
                                                      const QStringList& filters,
                                                      const TFileChoice& start) {
        const auto one = openFileName(title, filters, start);
        if (!one) return std::nullopt;
        return TFileChoices{QStringList{one->path}, one->filterIndex};
    }
    // Proposes a path; asks before overwriting; nullopt when cancelled.
    virtual std::optional<QString> saveFileName(const QString& title, const QString& proposed) = 0;
    virtual std::optional<QColor> color(const QColor& initial) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> inputText(const QString& title, const QString& prompt,
                                             const QString& initial) = 0;
    // The export dialog, starting from initial, with a live preview; the settings chosen, or
    // nullopt when cancelled. withChromatogram can be chosen only when chromatogramOffered;
    // paneNames are the shown panes' captions, top to bottom, to choose panes from.
    virtual std::optional<TPictureSettings> pictureSettings(const TPictureSettings& initial,
                                                            const TPicturePreview& preview,
                                                            bool chromatogramOffered,
                                                            const QStringList& paneNames) = 0;
    // The print preview (with page setup and the choice of one pane per page) or, without
    // preview, the print dialog; paint draws the pages. Returns whether anything was printed.
    virtual bool print(bool preview, const TPrintPainter& paint) = 0;
    // Shows text with these buttons and returns the one pressed. Enter presses defaultButton,
    // the first button when none is given; closing the box otherwise counts as the last button.
    TMessageButton message(TMessageKind kind, const QString& text,
                           const std::vector<TMessageButton>& buttons,
                           std::optional<TMessageButton> defaultButton = std::nullopt) {
        const TMessageButton first = buttons.empty() ? TMessageButton::Ok : buttons.front();
        return showMessage(kind, text, buttons, defaultButton.value_or(first));
    }
    // The About box for version ("major.minor.patch.tweak"), modal. Without a box of its own
    // an implementation shows the version line as an information message.
    virtual void about(const QString& version) {
        message(TMessageKind::Info, QStringLiteral("Version ") + version, {TMessageButton::Ok});
    }


    // Tells how far a long piece of work has come (0 to 1); false once the user gave it up.
    using TProgress = std::function<bool(double fraction)>;
    // Does work, which tells its progress, while the user sees label and can give it up (work
    // then ends early, as it sees fit). The window's dialogs run work on a thread of their own
    // behind a progress box, so that the window keeps drawing, and return when it has ended;
    // an exception of work comes out here. This default runs it here and never gives up.
    virtual void runWithProgress(const QString& label,
                                 const std::function<void(const TProgress&)>& work) {
        (void)label;
        work([](double) { return true; });
    }

protected:
    virtual TMessageButton showMessage(TMessageKind kind, const QString& text,
                                       const std::vector<TMessageButton>& buttons,
                                       TMessageButton defaultButton) = 0;
};
