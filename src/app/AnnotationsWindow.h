// The window that shows the annotations page of a document, and the writing of that page.
#pragma once

#include <QString>
#include <QTextBrowser>
#include <QWidget>

#include <optional>
#include <string_view>

// Renders the page without scripts and fetches nothing from the network: resources outside
// the local file system come back empty, and links only move within local pages.
class TAnnotationsBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit TAnnotationsBrowser(QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void followLink(const QUrl& link);
};

// "Annotations", 696 x 480, modeless; the frame makes one and shows every page in it.
class TAnnotationsWindow : public QWidget {
    Q_OBJECT

public:
    explicit TAnnotationsWindow(QWidget* parent = nullptr);

    TAnnotationsBrowser* browser() const { return m_browser; }
    // Loads the page from path (again, also when it is the page shown) and brings the window
    // up beside the main window.
    void showPage(const QString& path);

private:
    TAnnotationsBrowser* m_browser;
};

// Writes bytes as the file path, replacing what is there. A symbolic link at path is
// removed, not followed, so that a link planted in a shared temporary folder cannot redirect
// the write. Returns the error text, or nullopt on success.
std::optional<QString> writeAnnotationFile(const QString& path, std::string_view bytes);
