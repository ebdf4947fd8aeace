// Tests of loading and saving .mzi documents against the data model.
#include "files/MziFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/Mzi.h"
#include "model/ModelErrors.h"
#include "model/SpectrumData.h"
#include "support/TestHelpers.h"

namespace {

constexpr TColor aqua = seriePalette[3];

TPointListSeriePtr addSerie(TSpectrumData& data, std::string_view name, TSerieStyle style,
                            std::initializer_list<TFloatPointRec> points) {
    TPointListSeriePtr serie = data.series()->newSerie(name);
    serie->setStyle(style);
    for (const TFloatPointRec& p : points) serie->points()->add(p);
    return serie;
}

// Every spectra element of a document, each read into its own data object.
std::vector<TSpectrumData> readAll(TMziFileReader& reader) {
    std::vector<TSpectrumData> panes(static_cast<std::size_t>(reader.spectraCount()));
    for (int i = 0; i < reader.spectraCount(); ++i)
        reader.readSpectra(i, panes[static_cast<std::size_t>(i)]);
    return panes;
}

// A document read whole: one data object per spectra element, and whether a series was corrupt.
struct TLoaded {
    std::vector<TSpectrumData> panes;
    bool corrupt = false;
};
TLoaded load(std::string_view bytes) {
    TMziFileReader reader = TMziFileReader::fromText(bytes);
    TLoaded loaded{readAll(reader)};
    loaded.corrupt = reader.corrupt();
    return loaded;
}

// A document around the given "spectra" elements, with more root content after them.
std::string document(std::string_view spectra, std::string_view afterSpectraSet = {}) {
    std::string text = "<QUENTARIS xmlns=\"http://velmorix.org/MZI.xsd\"><spectra_set>";
    text += spectra;
    text += "</spectra_set>";
    text += afterSpectraSet;
    return text + "</QUENTARIS>";
}

// A "spectra" element: one pane.
std::string spectra(std::string_view name, std::string_view content) {
    return "<spectra name=\"" + std::string(name) + "\">" + std::string(content) + "</spectra>";
}

// A spectrum element (tag "spectrumobs" or "spectrum") with decimal point text whose "IDcode" is
// its checksum unless one is given.
std::string serieElement(std::string_view tag, std::string_view name, std::string_view text,
                         std::optional<std::int64_t> idcode = {}, std::string_view view = "bar") {
    const std::string data = tag == "spectrumobs" ? "dataobs" : "datatheo";
    return "<" + std::string(tag) + " name=\"" + std::string(name) + "\" view=\"" +
           std::string(view) + "\" IDcode=\"" +
           std::to_string(idcode.value_or(pointTextChecksum(text))) + "\"><" + data +
           " ID=\"0\" ncols=\"2\">" + std::string(text) + "</" + data + "></" + std::string(tag) +
           ">";
}

std::vector<TFloatPointRec> pointsIn(const TPointListSeriePtr& serie) {
    return serie->points()->points();
}

std::vector<std::string> namesOf(TSpectrumData& data) {
    std::vector<std::string> names;
    for (const auto& serie : *data.series()) names.push_back(serie->name());
    return names;
}

// --- saving and reading back ---------------------------------------------------------------

TEST(MziFileSave, AReloadGivesTheNamesStylesAndPointsToTheTextsPrecisionInFreshColours) {
    TSpectrumData data;
    // Names with markup characters, line breaks and characters beyond ASCII survive: the
    // document is UTF-8 and the attributes are escaped.
    const std::string observedName = "Myoglobin \xE2\x80\x93 5 \xC2\xB5g <a & \"b\" 'c'>\tline\n2";
    addSerie(data, observedName, TSerieStyle::Bars, {{123.456789, 1.23456}, {200.000004, 1e6}});
    addSerie(data, "\xCE\xA9 \xE6\x97\xA5\xE6\x9C\xAC", TSerieStyle::Line, {{50.5, 2.5}})
        ->setColor(colors::white);
    // Point text drops pairs with x <= 0 or y = 0 on reading, after the checksum is taken.
    addSerie(data, "third", TSerieStyle::Bars,
             {{-1.0, 5.0}, {0.0, 3.0}, {2.0, 0.0}, {70.25, 7.125}, {80.0, -4.0}});
    data.series()->setCurrentIndex(1);

    const std::optional<std::string> bytes = mziFileText(data);
    ASSERT_TRUE(bytes);
    TMziFileReader reader = TMziFileReader::fromText(*bytes);
    ASSERT_EQ(reader.spectraCount(), 1);
    std::vector<TSpectrumData> panes = readAll(reader);
    EXPECT_FALSE(reader.corrupt());

    TPointListSerieList& series = *panes[0].series();
    EXPECT_EQ(namesOf(panes[0]),
              (std::vector<std::string>{observedName, data.series()->serie(1)->name(), "third"}));
    EXPECT_EQ(series.serie(1)->style(), TSerieStyle::Line);
    EXPECT_EQ(series.serie(1)->color(), aqua);  // colours are not stored
    // Five decimals for x, three for y.
    EXPECT_EQ(pointsIn(series.serie(0)),
              (std::vector<TFloatPointRec>{{123.45679, 1.235}, {200.0, 1e6}}));
    EXPECT_EQ(pointsIn(series.serie(1)), (std::vector<TFloatPointRec>{{50.5, 2.5}}));
    EXPECT_EQ(pointsIn(series.serie(2)),
              (std::vector<TFloatPointRec>{{70.25, 7.125}, {80.0, -4.0}}));
}

TEST(MziFileSave, ASmallDocumentIsWrittenByteForByte) {
    TSpectrumData data;
    const auto observed = addSerie(data, "Obs", TSerieStyle::Bars, {{250.125, 3.5}, {100.5, 20.0}});
    addSerie(data, "Theo", TSerieStyle::Line, {});
    // The range rectangle is the current series' own ranges, whichever series is current.
    observed->setXRange(newRange(99.5, 251.0));
    observed->setYRange(newRange(-0.5, 21.25));
    data.series()->setCurrentIndex(0);
    // Digits of the point text 1005000020000 2501250035000 give the checksum 460.
    EXPECT_EQ(*mziFileText(data),
              "<QUENTARIS xmlns=\"http://velmorix.org/MZI.xsd\"><spectra_set><spectra><ranges>"
              "<range name=\"default\" x1=\"99.5\" x2=\"251\" y1=\"-0.5\" y2=\"21.25\"/></ranges>"
              "<spectrumobs name=\"Obs\" view=\"bar\" IDcode=\"460\">"
              "<dataobs ID=\"0\" name=\"Obs\" description=\"\" ncols=\"2\" nvalues=\"2\">"
              "       100.50000    20.000\n"
              "       250.12500     3.500\n"
              "</dataobs></spectrumobs>"
              "<spectrum name=\"Theo\" view=\"continue\" IDcode=\"0\">"
              "<datatheo ID=\"0\" name=\"Theo\" description=\"\" ncols=\"2\" nvalues=\"0\"/>"
              "</spectrum></spectra></spectra_set></QUENTARIS>\r\n");
}

TEST(MziFileSave, NothingIsWrittenForDataWithoutSeries) {
    TSpectrumData data;
    EXPECT_FALSE(mziFileText(data));
    EXPECT_FALSE(mziRangeText(data));
}

TEST(MziFileSave, ARangeSaveWritesTheCurrentSeriesPointsInsideTheVisibleWindowAlone) {
    TSpectrumData data;
    addSerie(data, "other", TSerieStyle::Bars, {{150.0, 1.0}});
    addSerie(data, "current", TSerieStyle::Line,
             {{100.0, 1.0}, {110.0, 2.0}, {120.0, 3.0}, {130.0, 4.0}});
    data.xRange()->setMin(105.0);
    data.xRange()->setMax(120.0);
    const std::string bytes = *mziRangeText(data);
    EXPECT_EQ(bytes.find("<ranges"), std::string::npos);
    // "nvalues" counts the whole series.
    EXPECT_NE(bytes.find("<dataobs ID=\"0\" name=\"current\" description=\"\" ncols=\"2\" "
                         "nvalues=\"4\">"),
              std::string::npos);
    TLoaded loaded = load(bytes);
    EXPECT_EQ(namesOf(loaded.panes[0]), (std::vector<std::string>{"current"}));
    EXPECT_EQ(pointsIn(loaded.panes[0].series()->serie(0)),
              (std::vector<TFloatPointRec>{{110.0, 2.0}, {120.0, 3.0}}));

    // A window that starts exactly on a point keeps it.
    data.xRange()->setMin(110.0);
    data.xRange()->setMax(125.0);
    EXPECT_EQ(pointsIn(load(*mziRangeText(data)).panes[0].series()->serie(0)),
              (std::vector<TFloatPointRec>{{110.0, 2.0}, {120.0, 3.0}}));
}

// Windows between two points and beyond either end hold no point: the search for a window
// beyond an end answers that end point, which lies outside the window and is not written.
TEST(MziFileSave, EmptySeriesAndEmptyWindowsAreWrittenWithoutPointsAndReadBackCorrupt) {
    TSpectrumData data;
    addSerie(data, "s", TSerieStyle::Line, {{100.0, 1.0}, {110.0, 2.0}, {120.0, 3.0}});
    data.xRange()->setMin(131.0);
    data.xRange()->setMax(140.0);
    const std::string bytes = *mziRangeText(data);
    EXPECT_NE(bytes.find("IDcode=\"0\"><dataobs ID=\"0\" name=\"s\" description=\"\" "
                         "ncols=\"2\" nvalues=\"3\"/>"),
              std::string::npos)
        << bytes;
    EXPECT_TRUE(load(bytes).corrupt);

    TSpectrumData empty;
    addSerie(empty, "empty", TSerieStyle::Bars, {});
    TLoaded loaded = load(*mziFileText(empty));
    EXPECT_TRUE(loaded.corrupt);
    EXPECT_EQ(namesOf(loaded.panes[0]), (std::vector<std::string>{"empty"}));
    EXPECT_TRUE(loaded.panes[0].series()->serie(0)->points()->isEmpty());
}

// Point text of ordinary points can sum to the checksum 0, which the writer stores as "IDcode" 0:
// the sealed-form reading alone would reject it and lose the series.
TEST(MziFileSave, PointTextWhoseChecksumIsZeroReadsBack) {
    TSpectrumData data;
    addSerie(data, "s", TSerieStyle::Bars, {{100.0, 11.0}});
    const std::string bytes = *mziFileText(data);
    ASSERT_NE(bytes.find("IDcode=\"0\""), std::string::npos);
    const TLoaded loaded = load(bytes);
    EXPECT_FALSE(loaded.corrupt);
    EXPECT_EQ(pointsIn(loaded.panes[0].series()->serie(0)),
              (std::vector<TFloatPointRec>{{100.0, 11.0}}));
}

// --- reading what other writers wrote --------------------------------------------------------

TEST(MziFileLoad, TheObservedSeriesIsReadOnlyWhenItsDataCarriesAnAttribute) {
    const std::string theoretical = serieElement("spectrum", "t1", "100 1\n") +
                                    serieElement("spectrum", "t2", "200 2\n") +
                                    serieElement("spectrum", "t3", "300 3\n");
    const std::string bareObserved =
        "<spectrumobs name=\"o\" IDcode=\"0\"><dataobs>100 1\n</dataobs></spectrumobs>";
    TMziFileReader reader = TMziFileReader::fromText(
        document(spectra("none", theoretical) + spectra("bare", bareObserved + theoretical) +
                 spectra("observed", theoretical + serieElement("spectrumobs", "o", "5 5\n"))));
    std::vector<TSpectrumData> panes = readAll(reader);
    EXPECT_FALSE(reader.corrupt());
    EXPECT_EQ(namesOf(panes[0]), (std::vector<std::string>{"t1", "t2", "t3"}));
    EXPECT_EQ(namesOf(panes[1]), (std::vector<std::string>{"t1", "t2", "t3"}));
    // Wherever it stands in the element, the observed series comes first, and black.
    EXPECT_EQ(namesOf(panes[2]), (std::vector<std::string>{"o", "t1", "t2", "t3"}));
    EXPECT_EQ(panes[2].series()->serie(0)->color(), colors::black);
    EXPECT_EQ(reader.caption(1), "bare");
}

TEST(MziFileLoad, OnlyAViewStartingWithALowerCaseBMeansBars) {
    std::string elements;
    for (const char* view : {"bar", "bogus", "Bar", "", " bar"})
        elements += serieElement("spectrum", view, "100 1\n", {}, view);
    elements += "<spectrum name=\"absent\" IDcode=\"" + std::to_string(pointTextChecksum("100 1")) +
                "\"><datatheo>100 1</datatheo></spectrum>";
    TMziFileReader reader = TMziFileReader::fromText(document(spectra("", elements)));
    std::vector<TSpectrumData> panes = readAll(reader);
    std::vector<TSerieStyle> styles;
    for (const auto& serie : *panes[0].series()) styles.push_back(serie->style());
    using enum TSerieStyle;
    EXPECT_EQ(styles, (std::vector<TSerieStyle>{Bars, Bars, Line, Line, Line, Line}));
}

TEST(MziFileLoad, PointDataThatFailsItsChecksumOrSealLeavesItsSeriesEmptyAndTheLoadCorrupt) {
    const std::string text = "       100.50000    20.000\n       250.12500     3.500\n";
    const std::string edited = "       100.50000    21.000\n       250.12500     3.500\n";
    TMziFileReader reader = TMziFileReader::fromText(document(
        spectra("", serieElement("spectrumobs", "good", text) +
                        // Decimal text with "IDcode" 0 is read as the sealed form.
                        serieElement("spectrum", "decimal as sealed", text, 0, "continue") +
                        // Digits changed after the checksum was taken; it still parses.
                        serieElement("spectrum", "edited", edited, pointTextChecksum(text)) +
                        serieElement("spectrum", "after", text))));
    TSpectrumData data;
    reader.readSpectra(0, data);
    EXPECT_TRUE(reader.corrupt());
    EXPECT_EQ(namesOf(data),
              (std::vector<std::string>{"good", "decimal as sealed", "edited", "after"}));
    const TPointListSerieList& series = *data.series();
    EXPECT_EQ(series.serie(0)->points()->count(), 2);
    EXPECT_TRUE(series.serie(1)->points()->isEmpty());
    EXPECT_TRUE(series.serie(2)->points()->isEmpty());
    EXPECT_EQ(series.serie(3)->points()->count(), 2);
    // A corrupt series keeps its name and style.
    EXPECT_EQ(series.serie(1)->style(), TSerieStyle::Line);
}

// The sealed form: big-endian 32-bit floats of x then y, in Base64, then the uppercase SHA-1 of
// the Base64 text, laid out on lines of their own here. Nothing is dropped in this form, not even
// x <= 0 or y = 0. (A changed seal is refused by the point list itself.)
TEST(MziFileLoad, APointListInTheSealedFormReadsBackWhole) {
    // (-2, 7.5), (0.5, 0), (500.25, 1000), (501.5, 250.5)
    const std::string text =
        "\n    wAAAAEDwAAA/AAAAAAAAAEP6IABEegAAQ/rAAEN6gAA="
        "0879ECDD99424EB6C39DB6A99FCB973DE7639F51\n  ";
    const TLoaded loaded =
        load(document(spectra("", "<spectrum name=\"s\" IDcode=\"0\"><datatheo nvalues=\"4\">" +
                                      text + "</datatheo></spectrum>")));
    EXPECT_FALSE(loaded.corrupt);
    EXPECT_EQ(
        pointsIn(loaded.panes[0].series()->serie(0)),
        (std::vector<TFloatPointRec>{{-2.0, 7.5}, {0.5, 0.0}, {500.25, 1000.0}, {501.5, 250.5}}));
}

TEST(MziFileLoad, EveryPaneGetsTheDocumentsAnnotationPageWhichASaveDoesNotWriteBack) {
    const std::string twoPanes = spectra("First", serieElement("spectrumobs", "a", "100 1\n")) +
                                 spectra("Second", serieElement("spectrumobs", "b", "200 2\n"));
    TMziFileReader reader = TMziFileReader::fromText(
        document(twoPanes,
                 "<Annotations name=\"n\"><![CDATA[<h1>Run A</h1>]]> &amp; more"
                 "</Annotations>"));
    EXPECT_EQ(reader.annotationText(), "<h1>Run A</h1> & more");
    std::vector<TSpectrumData> panes = readAll(reader);
    EXPECT_EQ(panes[1].annotationText(), "<h1>Run A</h1> & more");

    const std::string saved = *mziFileText(panes[1]);
    EXPECT_EQ(saved.find("Annotations"), std::string::npos);
    EXPECT_EQ(load(saved).panes[0].annotationText(), "");

    // A page written into the document as markup rather than text is that markup.
    TMziFileReader markup = TMziFileReader::fromText(
        document(twoPanes, "<Annotations><p>Scan <b>1</b> &lt; 2</p></Annotations>"));
    EXPECT_EQ(markup.annotationText(), "<p>Scan <b>1</b> &lt; 2</p>");
}

TEST(MziFileLoad, AFailureHalfWayKeepsTheSeriesReadBeforeIt) {
    const std::string badIdcode =
        "<spectrum name=\"bad\" IDcode=\"12x\"><datatheo>100 1\n</datatheo></spectrum>";
    TMziFileReader reader = TMziFileReader::fromText(
        document(spectra("", serieElement("spectrum", "kept", "100 1\n") + badIdcode +
                                 serieElement("spectrum", "never", "100 1\n")) +
                 spectra("", serieElement("spectrum", "cut", "100 1\n200 2\n12.5"))));
    TSpectrumData first;
    TSpectrumData second;
    EXPECT_THROW(reader.readSpectra(0, first), EMziError);
    EXPECT_THROW(reader.readSpectra(1, second), EConvertError);
    EXPECT_EQ(namesOf(first), (std::vector<std::string>{"kept", "bad"}));
    EXPECT_EQ(first.series()->serie(0)->points()->count(), 1);
    EXPECT_TRUE(first.series()->serie(1)->points()->isEmpty());
    // The points before the bad token cannot be checked: the series stays, empty.
    EXPECT_TRUE(second.series()->serie(0)->points()->isEmpty());
}

// --- finishing a load ------------------------------------------------------------------------

TEST(MziFileFinish, TheFirstSeriesBecomesCurrentFitsTheRangesAndGetsNavyLabels) {
    TSpectrumData data;
    addSerie(data, "first", TSerieStyle::Bars, {{10.0, 100.0}, {35.0, 500.0}, {60.0, 200.0}});
    addSerie(data, "second", TSerieStyle::Line, {{1000.0, 9000.0}});
    finishLoadedData(data);
    EXPECT_EQ(data.series()->currentIndex(), 0);
    EXPECT_DOUBLE_EQ(data.xRange()->max(), 61.0);
    EXPECT_DOUBLE_EQ(data.yRange()->max(), 510.0);
    ASSERT_EQ(data.labels()->count(), 1);
    const auto labels = std::dynamic_pointer_cast<TPointlistLabelList>(data.labels()->get(0));
    ASSERT_TRUE(labels);
    EXPECT_EQ(labels->name(), "Custom Labels");
    EXPECT_EQ(labels->font().color, colors::navy);
    EXPECT_EQ(labels->candidates()->count(), 3);  // the peaks of the first series
    EXPECT_TRUE(data.labels()->needsLayout());
}

// A first series without points (found corrupt, or empty) has no peaks to label; the load ends
// without a label list rather than failing.
TEST(MziFileFinish, AFirstSeriesWithoutPointsGetsNoLabelList) {
    TSpectrumData data;
    addSerie(data, "corrupt", TSerieStyle::Bars, {});
    addSerie(data, "second", TSerieStyle::Line, {{1000.0, 9000.0}});
    finishLoadedData(data);
    EXPECT_EQ(data.series()->currentIndex(), 0);
    EXPECT_EQ(data.labels()->count(), 0);
    EXPECT_DOUBLE_EQ(data.xRange()->max(), 102.0);
}

}  // namespace
