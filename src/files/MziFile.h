// Loading and saving .mzi documents against the data model: series, point data with its
// integrity value, drawing style, the range rectangle and the annotation page. No Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/MziTypes.h"

class TSpectrumData;

// Reads a .mzi document: it is parsed once, then each "spectra" element is read into a spectrum
// data object the caller provides (the application makes one pane per element).
class TMziFileReader {
public:
    // Throws EMziError when the file cannot be read, is not well-formed or is no .mzi document.
    explicit TMziFileReader(const std::string& fileName);
    // The same from a document already in memory; sourceName, when given, names it in messages.
    static TMziFileReader fromText(std::string_view text, std::string_view sourceName = {});

    int spectraCount() const;
    // The "name" of spectra element index: the caption of its pane.
    std::string caption(int index) const;
    // The document's annotation page (HTML); "" without an "Annotations" element.
    const std::string& annotationText() const { return m_annotationText; }

    // Appends the series of spectra element index to data and sets data's annotation text. The
    // observed series comes first, black; the theoretical ones follow in palette colours, except
    // that the first series of the list is always black. A series whose point data does not
    // match its checksum or seal stays in the list, empty, and sets corrupt(). Throws on
    // malformed content: EMziError for attributes that do not convert, EConvertError for point
    // text that does not ("Invalid format. Incomplete value pair (…"); the series read before the
    // failure stay, and the one being read is left empty.
    void readSpectra(int index, TSpectrumData& data);
    // Some series read so far was found corrupt.
    bool corrupt() const { return !m_corruptSeries.empty(); }
    // The names of the series found corrupt so far, in the order read.
    const std::vector<std::string>& corruptSeries() const { return m_corruptSeries; }

private:
    explicit TMziFileReader(TXMLQUENTARISType root);

    TXMLQUENTARISType m_root;
    TXMLSpectra_setType m_spectraSet;
    std::string m_annotationText;
    std::vector<std::string> m_corruptSeries;
};

// The whole document for data: every series with its points as decimal point text, the range
// rectangle of the current series. The bytes to write, UTF-8, ending with CR LF; nullopt when
// data has no series (nothing is to be written).
std::optional<std::string> mziFileText(const TSpectrumData& data);
// A pane of a document as Save writes it back; data is not owned.
struct TMziPane {
    std::string caption;
    const TSpectrumData* data = nullptr;
};

// The whole document: one "spectra" element per pane in this order, named by its caption (when
// it has one) and holding the pane's series as mziFileText writes them (none for a pane without
// series), and the annotation page as the text of "Annotations" (none when empty). nullopt when
// no pane has a series.
std::optional<std::string> mziDocumentText(const std::vector<TMziPane>& panes,
                                           const std::string& annotationText);

// The document for the current series' points inside data's visible x range, alone: no range
// rectangle and no other series. nullopt when data has no series.
std::optional<std::string> mziRangeText(const TSpectrumData& data);
