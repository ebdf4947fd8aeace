// A file the viewer read its panes from, or will write them to, and the panes that came from it.
#pragma once

#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class TSpectrumContainer;

// What a document was read from; New and paste make documents of no format.
enum class TDocumentFormat { None, Mzi, Run, Text };

// Owned by the viewer frame; the panes belong to the spectra manager and are only watched: a
// pane closed by the user simply drops out of its document.
class TDocument {
public:
    // path as the user named it (it titles the panes); empty for a document not yet saved.
    TDocument(TDocumentFormat format, QString path);

    TDocumentFormat format() const { return m_format; }
    const QString& path() const { return m_path; }
    // All of the file came into the panes. A failed or corrupt load lacks what could not be
    // read, and must never be written back over the file.
    bool isReadWhole() const { return m_readWhole; }
    void setReadWhole(bool value) { m_readWhole = value; }

    // Where Save writes without asking: the absolute path of a .mzi document read whole, and
    // empty otherwise, so that a document never lands silently over a file of another format
    // or in the current folder.
    QString savePath() const;
    // The file name its panes show and Save as starts from: the path as named; an import
    // proposes a document beside its text file; an unsaved document is "new.mzi".
    QString displayName() const;
    // The panes were written to path: from now on they are that .mzi document.
    void savedAs(const QString& path);

    // The living panes, in the order they were made.
    std::vector<TSpectrumContainer*> panes() const;
    void addPane(TSpectrumContainer* pane);
    void removePane(const TSpectrumContainer* pane);
    bool holds(const TSpectrumContainer* pane) const;
    // Any pane's data changed since it was read or saved.
    bool isModified() const;

private:
    TDocumentFormat m_format;
    QString m_path;
    bool m_readWhole = false;
    std::vector<QPointer<TSpectrumContainer>> m_panes;
};

using TDocumentPtr = std::shared_ptr<TDocument>;

inline TDocumentPtr newDocument(TDocumentFormat format, const QString& path = {}) {
    return std::make_shared<TDocument>(format, path);
}

// path with the extension of its file-name part replaced by extension (".mzi"), or extension
// appended when it has none.
QString withExtension(const QString& path, const QString& extension);
