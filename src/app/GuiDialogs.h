// The dialogs of the running program: Qt's file, colour and input dialogs, message boxes and
// the About box.
#pragma once

#include <QDialog>
#include <QIcon>

#include "app/Dialogs.h"

class QLabel;

// The program icon, from the application's resources; null when they hold none.
QIcon programIcon();

// Program icon, name, "Version " with the four version numbers, a fixed line and a short
// read-only text; closed with OK. Fixed size.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(const QString& version, QWidget* parent = nullptr);

    QString versionText() const;

private:
    QLabel* m_version;
};

// Every dialog is modal over the active window.
class TGuiDialogs : public iDialogs {
public:
    // The input box takes at most this many characters.
    static constexpr int maxInputLength = 255;

    std::optional<TFileChoice> openFileName(const QString& title, const QStringList& filters,
                                            const TFileChoice& start) override;
    std::optional<TFileChoices> openFileNames(const QString& title, const QStringList& filters,
                                              const TFileChoice& start) override;
    std::optional<QString> saveFileName(const QString& title, const QString& proposed) override;
    std::optional<QColor> color(const QColor& initial) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt,
                                     const QString& initial) override;
    std::optional<TPictureSettings> pictureSettings(const TPictureSettings& initial,
                                                    const TPicturePreview& preview,
                                                    bool chromatogramOffered,
                                                    const QStringList& paneNames) override;
    bool print(bool preview, const TPrintPainter& paint) override;
    TMessageButton showMessage(TMessageKind kind, const QString& text,
                               const std::vector<TMessageButton>& buttons,
                               TMessageButton defaultButton) override;
    void about(const QString& version) override;
    void runWithProgress(const QString& label,
                         const std::function<void(const TProgress&)>& work) override;
};
