// Loading and saving .mzi documents against the data model.
#include "files/MziFile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "files/Mzi.h"
#include "model/Label.h"
#include "model/ModelErrors.h"
#include "model/SpectrumData.h"

namespace {

constexpr std::size_t sealLength = 40;  // hexadecimal digits of the SHA-1 after the Base64 body

// The most points a data text can hold, so that a wrong "nvalues" never reserves more memory than
// the text itself could fill: decimal text needs at least "1 1" and a separator per point, the
// sealed form 8 bytes (4/3 as many Base64 characters) per point.
std::int64_t mostPointsIn(std::string_view text, bool sealed) {
    const auto size = static_cast<std::int64_t>(text.size());
    if (sealed)
        return size < std::int64_t(sealLength) ? 0 : (size - std::int64_t(sealLength)) / 4 * 3 / 8;
    return (size + 1) / 4;
}

// Data text as a document laid out for reading holds it, with line breaks and indentation around
// it. They are no part of either form: the sealed form's digest is taken over the Base64 text
// alone, and point text ignores them.
std::string_view withoutSurroundingBlanks(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void reserveFor(TFloatPointSortedList& points, std::int64_t nvalues, std::string_view text,
                bool sealed) {
    const std::int64_t most = std::min<std::int64_t>(mostPointsIn(text, sealed), INT_MAX);
    points.setCapacity(static_cast<int>(std::clamp<std::int64_t>(nvalues, 0, most)));
}

// Reads decimal point text that came with "IDcode" 0. The writer gives a series the checksum of
// its text as "IDcode", and a text of ordinary points can sum to 0 (the single point 100, 11
// does); reading such a text as the sealed form would reject it and lose the series. A text that
// holds whole value pairs summing to 0 is therefore taken as what the writer meant. An empty
// text is not: it is also what a sealed text looks like after losing its content (the sealed
// form of even an empty series has its 40 digits), and the series is empty either way.
// Returns whether the text was taken.
bool readZeroChecksumText(TFloatPointSortedList& points, std::string_view text) {
    if (text.empty()) return false;
    if (pointTextChecksum(text) != 0) return false;
    try {
        points.setAsText(text);
    } catch (const EConvertError&) {
        points.clear();
        return false;
    }
    return true;
}

// One series from a spectrum element and its data child, appended to series. Returns whether its
// point data matched its integrity value; a series that does not stays, empty.
bool readSerie(const TXMLSpectrumType& element, TXMLDataType dataElement,
               TPointListSerieList& series) {
    const TPointListSeriePtr serie = series.newSerie(element.name());
    TFloatPointSortedList& points = *serie->points();
    const std::int64_t nvalues = dataElement.nvalues();
    const std::int64_t idcode = element.idcode();
    serie->setStyle(element.view().starts_with('b') ? TSerieStyle::Bars : TSerieStyle::Line);

    const std::string_view text = withoutSurroundingBlanks(dataElement.textView());
    const bool sealed = idcode == 0;
    reserveFor(points, nvalues, text, sealed);
    try {
        if (!sealed)
            points.setAsText(text);
        else if (!points.setAsBase64(text) && !readZeroChecksumText(points, text))
            points.setChecksum(65535);  // rejected, as a seal that does not match leaves it
    } catch (...) {
        // Points read before a malformed token cannot be checked against the integrity value:
        // showing them (and saving them later with a fresh checksum) would pass off a cut series
        // as whole.
        points.clear();
        throw;
    }
    if (points.getChecksum() == idcode) return true;
    points.clear();
    return false;
}

// The annotation page. It is HTML kept as the element's text; a page written into the document as
// markup rather than as text is taken as that markup.
std::string annotationPage(TXMLNamevalueType element) {
    if (!element.hasChildElements()) return element.text();
    struct TWriter : pugi::xml_writer {
        std::string text;
        void write(const void* data, std::size_t size) override {
            text.append(static_cast<const char*>(data), size);
        }
    } writer;
    for (const pugi::xml_node child : element.node().children())
        child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(writer.text);
}

// text as valid UTF-8: a byte that starts no valid sequence becomes U+FFFD. Names normally are
// UTF-8 already; one stray byte of another encoding would otherwise make the whole document
// read back as an 8-bit one, and every other name with it.
std::string validUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        int length = lead < 0x80                    ? 1
                     : lead >= 0xC2 && lead <= 0xDF ? 2
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                    : 0;
        if (length > end - p) length = 0;
        for (int i = 1; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80) length = 0;
        // Overlong forms, surrogates and code points beyond U+10FFFF.
        if (length > 1 && ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F) ||
                           (lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F)))
            length = 0;
        if (length == 0) {
            result += "\xEF\xBF\xBD";
            ++p;
        } else {
            result.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
            p += length;
        }
    }
    return result;
}

// Fills a spectrum element and its data child from points from..to of serie. "nvalues" counts
// the whole series, also when only a part is written.
void writeSerie(TXMLSpectrumType element, TXMLDataType dataElement, TPointListSerie& serie,
                int from, int to) {
    const std::string name = validUtf8(serie.name());
    TFloatPointSortedList& points = *serie.points();
    element.setName(name);
    element.setView(serie.style() == TSerieStyle::Bars ? "bar" : "continue");
    dataElement.setID(0);
    dataElement.setName(name);
    dataElement.setDescription("");
    dataElement.setNcols(2);
    dataElement.setNvalues(points.count());
    dataElement.setText(points.textRange(from, to));
    element.setIDcode(points.getChecksum());
}

std::string documentBytes(const TXMLQUENTARISType& root) {
    std::string bytes = root.xml();  // appended to where it lies: point data can be large
    bytes += "\r\n";
    return bytes;
}

}  // namespace

TMziFileReader::TMziFileReader(const std::string& fileName)
    : TMziFileReader(loadQUENTARIS(fileName)) {}

TMziFileReader TMziFileReader::fromText(std::string_view text, std::string_view sourceName) {
    return TMziFileReader(parseQUENTARIS(text, sourceName));
}

TMziFileReader::TMziFileReader(TXMLQUENTARISType root)
    : m_root(std::move(root)), m_spectraSet(m_root.spectra_set()) {
    m_annotationText = annotationPage(m_root.annotations());
}

int TMziFileReader::spectraCount() const {
    return m_spectraSet.count();
}

std::string TMziFileReader::caption(int index) const {
    return m_spectraSet.item(index).name();
}

void TMziFileReader::readSpectra(int index, TSpectrumData& data) {
    TXMLSpectraType spectra = m_spectraSet.item(index);
    TPointListSerieList& series = *data.series();
    data.setAnnotationText(m_annotationText);

    // An element without any attribute is no observed spectrum, only a place holder.
    TXMLSpectrumobsType observed = spectra.spectrumobs();
    TXMLDataType observedData = observed.dataobs();
    if (observedData.attributeCount() > 0) {
        if (!readSerie(observed, observedData, series))
            m_corruptSeries.push_back(series.last()->name());
        series.last()->setColor(colors::black);
    }
    for (TXMLSpectrumtheoType theoretical : spectra.spectrum()) {
        if (!readSerie(theoretical, theoretical.datatheo(), series))
            m_corruptSeries.push_back(series.last()->name());
        if (series.count() < 2) series.last()->setColor(colors::black);
    }
}

namespace {

// Fills a spectra element with every series of data and the range rectangle of its current
// series; nothing for data without series.
void writeSpectra(TXMLSpectraType spectra, const TSpectrumData& data) {
    TPointListSerieList& series = *data.series();
    if (series.isEmpty()) return;
    const TPointListSeriePtr current = series.current();
    TXMLRangeType range = spectra.ranges().add();
    range.setName("default");
    range.setX1(current->xRange()->min());
    range.setX2(current->xRange()->max());
    range.setY1(current->yRange()->min());
    range.setY2(current->yRange()->max());

    TXMLSpectrumobsType observed = spectra.spectrumobs();
    TPointListSerie& first = *series.serie(0);
    writeSerie(observed, observed.dataobs(), first, 0, first.points()->count() - 1);
    for (int i = 1; i < series.count(); ++i) {
        TXMLSpectrumtheoType theoretical = spectra.spectrum().add();
        TPointListSerie& serie = *series.serie(i);
        writeSerie(theoretical, theoretical.datatheo(), serie, 0, serie.points()->count() - 1);
    }
}

}  // namespace

std::optional<std::string> mziFileText(const TSpectrumData& data) {
    if (data.series()->isEmpty()) return std::nullopt;
    TXMLQUENTARISType root = newQUENTARIS();
    writeSpectra(root.spectra_set().add(), data);
    return documentBytes(root);
}

std::optional<std::string> mziDocumentText(const std::vector<TMziPane>& panes,
                                           const std::string& annotationText) {
    const bool anySerie = std::any_of(panes.begin(), panes.end(), [](const TMziPane& pane) {
        return !pane.data->series()->isEmpty();
    });
    if (!anySerie) return std::nullopt;
    TXMLQUENTARISType root = newQUENTARIS();
    for (const TMziPane& pane : panes) {
        TXMLSpectraType spectra = root.spectra_set().add();
        if (!pane.caption.empty()) spectra.setName(validUtf8(pane.caption));
        writeSpectra(spectra, *pane.data);
    }
    if (!annotationText.empty()) root.annotations().setText(validUtf8(annotationText));
    return documentBytes(root);
}

std::optional<std::string> mziRangeText(const TSpectrumData& data) {
    TPointListSerieList& series = *data.series();
    if (series.isEmpty()) return std::nullopt;
    TPointListSerie& current = *series.current();
    const TFloatPointSortedList& points = *current.points();
    const double x1 = data.xRange()->min();
    const double x2 = data.xRange()->max();
    TIndexRange window = points.findRange(x1, x2);
    // A window wholly beyond either end of the points gives that end point, which lies outside
    // it; only points inside the window are written.
    if (!points.isEmpty()) {
        if (window.first <= window.last && points.get(window.first).x < x1) ++window.first;
        if (window.first <= window.last && points.get(window.last).x > x2) --window.last;
    }

    TXMLQUENTARISType root = newQUENTARIS();
    TXMLSpectrumobsType observed = root.spectra_set().add().spectrumobs();
    writeSerie(observed, observed.dataobs(), current, window.first, window.last);
    return documentBytes(root);
}
