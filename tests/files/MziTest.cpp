// Tests of the .mzi document tree: every element type, absent items, names, errors and lists.
#include "files/Mzi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "model/DecimalText.h"
#include "support/TestHelpers.h"

namespace {

constexpr auto mziErrorOf = &errorOf<EMziError>;

// A file name as messages show it.
std::string quoted(const std::filesystem::path& path) {
    return inQuotes(path.string());
}

// A text in UTF-16 or UTF-32 (by the width of Char), with or without a byte-order mark.
template <class Char>
std::string wide(std::basic_string_view<Char> text, bool bigEndian, bool mark = true) {
    std::basic_string<Char> units =
        mark ? std::basic_string<Char>(1, Char(0xFEFF)) : std::basic_string<Char>();
    units += text;
    std::string bytes;
    for (const Char unit : units)
        for (std::size_t b = 0; b < sizeof(Char); ++b)
            bytes += static_cast<char>(unit >> (8 * (bigEndian ? sizeof(Char) - 1 - b : b)));
    return bytes;
}

// --- every element type --------------------------------------------------------------------

// One value per type whose text tells the type: a misdeclared attribute writes another text.
// 9007199254740993 is beyond a double's 53 bits.
const std::tuple<TMziString, TMziInteger, TMziInt64, TMziDouble, TMziBoolean> samples = {
    "s", -7, 9007199254740993, 0.3, true};

template <class TList>
auto firstItem(TList list, bool reading) {
    return reading ? list.item(0) : list.add();
}

// Everything an element type declares, in declared order, its base type's part first. Writing
// sets every attribute to its sample and adds one item to every list; reading expects them back.
template <class TElement>
void walkEvery(TElement element, bool reading) {
    using TBase = typename TElement::TBase;
    if constexpr (requires { typename TBase::TDeclared; })
        walkEvery(TBase(element.ownerDocument(), element.node()), reading);
    else if constexpr (requires { element.items(); })
        walkEvery(firstItem(element.items(), reading), reading);
    const auto walkPart = [&]<class Part>(const Part*) {
        if constexpr (requires { Part::attributeName; }) {
            using T = typename Part::TValue;
            const T& sample = std::get<T>(samples);
            if (reading)
                EXPECT_EQ(element.template attributeValue<T>(Part::attributeName), sample)
                    << Part::attributeName;
            else
                element.template setAttributeValue<T>(Part::attributeName, sample);
        } else if constexpr (Part::repeated) {
            using TChild = typename Part::TChild;
            walkEvery(firstItem(element.template children<TChild>(Part::childName), reading),
                      reading);
        } else {
            walkEvery(element.template child<typename Part::TChild>(Part::childName), reading);
        }
    };
    [&]<class... Parts>(TMziParts<Parts...>) {
        (walkPart(static_cast<const Parts*>(nullptr)), ...);
    }(typename TElement::TDeclared{});
}

// The format's tables written out: -7 is an integer, 9007199254740993 an int64, 0.3 a double,
// "true" a boolean and "s" a string. The line breaks are not part of the document.
constexpr std::string_view everyElementDocument = R"(<QUENTARIS xmlns="http://velmorix.org/MZI.xsd">
<elementstable_set><elementtable name="s" description="s" source="s" release="s"><element code="s"
 name="s" z="-7" refcode="s">
<isotope nominal="-7" mass="0.3" abundance="0.3" code="s" name="s"/></element></elementtable>
</elementstable_set>
<moleculeunits_set><moleculeunits name="s" onelettercode="true" spacedelimited="true"><moleculeunit
 shortname="s" code="s" formula="s" name="s"/></moleculeunits></moleculeunits_set>
<molecules_set name="s"><molecules name="s"><molecule name="s" context="s" abundance="0.3">
<formulacontent formula="s" name="s"/><moleculecontent units="s" onelettercode="true" name="s"/>
</molecule></molecules></molecules_set>
<enzymes_set><enzymes name="s"><enzyme name="s" cleavagesite="s"/></enzymes></enzymes_set>
<spectra_set><spectra ID="-7" name="s" description="s" refID="s">
<spectrumobs name="s" class="s" view="s" IDcode="9007199254740993" technic="s">
<dataobs ID="-7" name="s" description="s" ncols="-7" nvalues="9007199254740993"/><background ID="-7"
 name="s" description="s" ncols="-7" nvalues="9007199254740993"/><FWHM mz="0.3" width="0.3"/>
</spectrumobs><spectrum name="s" class="s" view="s" IDcode="9007199254740993" ratio="0.3" refID="s"
 formula="s">
<spectrumparams pointsxDa="-7" mincharge="-7" maxcharge="-7" minmz="0.3" maxmz="0.3" range="-7"
 shift="0.3" cutoffratio="0.3" isByResolution="true" Resolution="0.3" FWHM="0.3" noisestd="0.3"
 adduct="-7"/>
<MEMparams Fexpratio="0.3" maxinternaliter="-7" maxexternaliter="-7" minestep="0.3" minpstep="0.3"
 std2="0.3"/>
<datatheo ID="-7" name="s" description="s" ncols="-7" nvalues="9007199254740993"/>
<FWHMtheo mz="0.3" width="0.3"/></spectrum>
<ranges defaultrangeID="-7"><range ID="-7" name="s" description="s" x1="0.3" x2="0.3" y1="0.3"
 y2="0.3"/></ranges>
<annotations ID="-7" name="s"><label name="s" unit="s" x="0.3" y="0.3" offsetx="0.3" offsety="0.3"/>
</annotations></spectra></spectra_set>
<data_set><data ID="-7" name="s" description="s" ncols="-7" nvalues="9007199254740993"/></data_set>
<labelingschema_set selectedname="s"><labelingschema name="s" selectionpattern="s"
 targetgrouppattern="s"><labelformula property="s"/></labelingschema></labelingschema_set>
<HDdefault pointsxDa="-7" mincharge="-7" maxcharge="-7" minmz="0.3" maxmz="0.3" range="-7"
 shift="0.3" cutoffratio="0.3" isByResolution="true" Resolution="0.3" FWHM="0.3" noisestd="0.3"
 adduct="-7" terminalgroup="s" compoundformat="s" mindeuterios="-7" maxdeuterios="-7">
<FWHMhd mz="0.3" width="0.3"/></HDdefault>
<FITdefault pointsxDa="-7" mincharge="-7" maxcharge="-7" minmz="0.3" maxmz="0.3" range="-7"
 shift="0.3" cutoffratio="0.3" isByResolution="true" Resolution="0.3" FWHM="0.3" noisestd="0.3"
 adduct="-7" terminalgroup="s" compoundformat="s" compounds="s" modifications="s">
<FWHMfit mz="0.3" width="0.3"/></FITdefault>
<SIMdefault pointsxDa="-7" mincharge="-7" maxcharge="-7" minmz="0.3" maxmz="0.3" range="-7"
 shift="0.3" cutoffratio="0.3" isByResolution="true" Resolution="0.3" FWHM="0.3" noisestd="0.3"
 adduct="-7" terminalgroup="s" compoundformat="s" compounds="s"><FWHMsim mz="0.3" width="0.3"/>
<backgroundsim mz="0.3" relativesize="0.3"/></SIMdefault>
<DIGdefault enzyme="s" missing="s" mincharge="s" maxcharge="s" monoavg="s" peptidefilter="s"
 rangefilter="s"/>
<Annotations name="s" value="s" type="s"/>
</QUENTARIS>)";

TEST(MziTree, EveryElementTypeAndAttributeMatchesTheFormatAndReadsBack) {
    const TTempFolder folder;
    TXMLQUENTARISType root = newQUENTARIS();
    walkEvery(root, false);
    std::string expected(everyElementDocument);
    std::erase(expected, '\n');
    EXPECT_EQ(root.xml(), expected);
    // Saved as a save writes it: the root's markup and a CR LF.
    TXMLQUENTARISType loaded = loadQUENTARIS(folder.write("doc.mzi", root.xml() + "\r\n"));
    EXPECT_EQ(loaded.xml(), expected);
    walkEvery(loaded, true);
}

// --- absent items, names and namespaces ----------------------------------------------------

TEST(MziTree, AbsentChildrenAreCreatedEmptyAndAbsentAttributesReadAsZero) {
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><spectra_set><spectra name=\"P\"><ranges/></spectra></spectra_set>"
        "</QUENTARIS>");
    TXMLSpectraType spectra = root.spectra_set().item(0);
    TXMLSpectrumobsType observed = spectra.spectrumobs();
    EXPECT_EQ(observed.attributeCount(), 0);
    EXPECT_EQ(observed.idcode(), 0);
    EXPECT_EQ(observed.dataobs().nvalues(), 0);
    EXPECT_FALSE(spectra.spectrum().add().spectrumparams().isByResolution());
    // The created child goes last, once; reaching it again finds the same element.
    spectra.spectrumobs().setName("again");
    EXPECT_EQ(spectra.xml(),
              "<spectra name=\"P\"><ranges/><spectrumobs name=\"again\"><dataobs/></spectrumobs>"
              "<spectrum><spectrumparams/></spectrum></spectra>");
}

TEST(MziTree, NamesAreCaseSensitiveAndUnlistedOnesAreIgnored) {
    TXMLQUENTARISType root = parseQUENTARIS(R"(<QUENTARIS>
        <annotations><label name="not the page"/></annotations>
        <Annotations name="page">the page</Annotations>
        <spectra_set><note/><spectra>
          <Annotations name="not the labels"/>
          <annotations name="labels"><label name="a"/><Label name="b"/></annotations>
        </spectra></spectra_set>
      </QUENTARIS>)");
    EXPECT_EQ(root.annotations().name(), "page");
    EXPECT_EQ(root.annotations().text(), "the page");
    ASSERT_EQ(root.spectra_set().count(), 1);
    TXMLSpectraType spectra = root.spectra_set().item(0);
    EXPECT_EQ(spectra.annotations().name(), "labels");
    EXPECT_EQ(spectra.annotations().count(), 1);
}

TEST(MziLoad, AcceptsAnyDefaultNamespaceOrNoneButOnlyAQuentarisRoot) {
    TXMLQUENTARISType foreign = parseQUENTARIS(
        "<QUENTARIS xmlns=\"http://example.org/elsewhere/MZI.xsd\"><spectra_set>"
        "<spectra name=\"x\"/></spectra_set></QUENTARIS>");
    EXPECT_EQ(foreign.spectra_set().item(0).name(), "x");
    foreign.spectra_set().add().setName("y");  // items join the document's own namespace
    EXPECT_EQ(foreign.xml(),
              "<QUENTARIS xmlns=\"http://example.org/elsewhere/MZI.xsd\"><spectra_set>"
              "<spectra name=\"x\"/><spectra name=\"y\"/></spectra_set></QUENTARIS>");

    const TTempFolder folder;
    const auto wrongRoot =
        folder.write("doc.mzi", "<mzXML xmlns=\"http://sashimi.sourceforge.net\"/>");
    EXPECT_EQ(mziErrorOf([&] { loadQUENTARIS(wrongRoot); }),
              quoted(wrongRoot) +
                  " is not a .mzi document: its root element is \"mzXML\", not \"QUENTARIS\"");
}

// --- errors --------------------------------------------------------------------------------

TEST(MziErrors, FilesThatCannotBeReadOrParsedSayWhichAndWhy) {
    const TTempFolder folder;
    const auto missing = folder.file("missing.mzi");
    EXPECT_EQ(mziErrorOf([&] { loadQUENTARIS(missing); }),
              "Cannot read " + quoted(missing) + ": " + std::strerror(ENOENT));
    EXPECT_EQ(mziErrorOf([&] { loadQUENTARIS(folder.path()); }),
              "Cannot read " + quoted(folder.path()) + ": it is a folder");

    // A device may never end: it is not opened.
    EXPECT_EQ(mziErrorOf([] { loadQUENTARIS("/dev/zero"); }),
              "Cannot read \"/dev/zero\": it is not a regular file");
}

TEST(MziErrors, OnlyOneRootElementAndNoTextBesideIt) {
    const auto fault = [](std::string_view text) {
        return mziErrorOf([&] { parseQUENTARIS(text); });
    };
    const std::string notWellFormed = "The text is not well-formed XML: ";
    EXPECT_EQ(fault("<QUENTARIS/><QUENTARIS><spectra_set><spectra/></spectra_set></QUENTARIS>"),
              notWellFormed + "More than one root element at line 1, column 13");
    const std::string textOutside = notWellFormed + "Text outside the root element at ";
    EXPECT_EQ(fault("junk<QUENTARIS/>"), textOutside + "line 1, column 1");
    EXPECT_EQ(fault("<QUENTARIS/>\r\n  more text\n"), textOutside + "line 2, column 3");
    // Blanks, comments, processing instructions and a document type are allowed beside it.
    EXPECT_EQ(parseQUENTARIS("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE QUENTARIS>\n<!-- a -->"
                             "<QUENTARIS><spectra_set><spectra/></spectra_set></QUENTARIS>\n"
                             "<?pi data?><!-- b -->\r\n")
                  .spectra_set()
                  .count(),
              1);
}

TEST(MziErrors, PositionsCountLinesAndCharactersAsTheFileShowsThem) {
    // The end tag "</spectra>" does not match <x>; its name is the 31st character of line 2, after
    // letters of two, three and four bytes in UTF-8 (the last one two units in UTF-16).
    const std::u16string text =
        u"<QUENTARIS>\r\n<spectra name=\"\u03A9\u03BC\u03AD\u03B3\u03B1 \u20AC\U0001D11E\"><x>"
        u"</spectra>\n</QUENTARIS>";
    const std::string utf8 =
        "<QUENTARIS>\r\n<spectra name=\"\u03A9\u03BC\u03AD\u03B3\u03B1 \u20AC\U0001D11E\"><x>"
        "</spectra>\n</QUENTARIS>";
    const std::string windows1252 =
        "<QUENTARIS>\r\n<spectra name=\"Caf\xE9 \x80\x85!\"><x></spectra>\n</QUENTARIS>";
    const TTempFolder folder;
    for (const std::string& bytes : {utf8, windows1252, wide<char16_t>(text, true)}) {
        const auto path = folder.write("doc.mzi", bytes);
        EXPECT_EQ(
            mziErrorOf([&] { loadQUENTARIS(path); }),
            quoted(path) + " is not well-formed XML: Start-end tags mismatch at line 2, column 31");
    }
}

TEST(MziErrors, AttributesThatDoNotConvertNameTheAttributeTheElementAndTheText) {
    TXMLQUENTARISType root = parseQUENTARIS(R"(<QUENTARIS><spectra_set>
        <spectra ID="12a"><spectrumobs IDcode="9223372036854775808"/>
        <ranges><range x1="1,000.5" x2="-NaN"/></ranges></spectra></spectra_set>
        <HDdefault isByResolution="yes"/></QUENTARIS>)");
    TXMLSpectraType spectra = root.spectra_set().item(0);
    EXPECT_EQ(mziErrorOf([&] { spectra.id(); }),
              "Attribute \"ID\" of element \"spectra\" holds \"12a\", which is not a 32-bit "
              "integer");
    EXPECT_EQ(mziErrorOf([&] { spectra.spectrumobs().idcode(); }),
              "Attribute \"IDcode\" of element \"spectrumobs\" holds \"9223372036854775808\", "
              "which is not a 64-bit integer");
    // Not a number nor an infinity is a value of a document.
    EXPECT_EQ(mziErrorOf([&] { spectra.ranges().item(0).x2(); }),
              "Attribute \"x2\" of element \"range\" holds \"-NaN\", which is not a number");
    EXPECT_EQ(mziErrorOf([&] { root.hddefault().isByResolution(); }),
              "Attribute \"isByResolution\" of element \"HDdefault\" holds \"yes\", which is not "
              "a boolean (true or false)");
    // Long values are shortened to 60 characters, never inside one, whatever their length in
    // bytes.
    std::string accents;
    for (int i = 0; i < 100; ++i) accents += i % 2 ? "\xC3\xA9" : "\xE2\x82\xAC";
    spectra.setRefID("7" + accents);
    EXPECT_EQ(mziErrorOf([&] { spectra.attributeValue<int>("refID"); }),
              "Attribute \"refID\" of element \"spectra\" holds \"7" +
                  accents.substr(0, 59 / 2 * 5 + 3) + "...\", which is not a 32-bit integer");
}

// --- values --------------------------------------------------------------------------------

TEST(MziValues, ReadingIsLenientWhereTheMeaningIsPlain) {
    TXMLQUENTARISType root = parseQUENTARIS(R"(<QUENTARIS>
        <moleculeunits_set><moleculeunits onelettercode=" 1 " spacedelimited="False"/>
        </moleculeunits_set><spectra_set><spectra ID=" +42 "><ranges>
          <range ID="" x1="12,5" x2="-1.5E3" y1="  "/>
          <range x1="1.79769313486232e+308" y1="0.0001e-999"/>
        </ranges></spectra></spectra_set></QUENTARIS>)");
    EXPECT_TRUE(root.moleculeunits_set().item(0).onelettercode());
    EXPECT_FALSE(root.moleculeunits_set().item(0).spacedelimited());
    TXMLSpectraType spectra = root.spectra_set().item(0);
    EXPECT_EQ(spectra.id(), 42);
    TXMLRangeType range = spectra.ranges().item(0);
    EXPECT_EQ(range.id(), 0);
    EXPECT_EQ(range.x1(), 12.5);  // written with a decimal comma by an older version
    EXPECT_EQ(range.x2(), -1500.0);
    EXPECT_EQ(range.y1(), 0.0);
    // Beyond the double range: the largest double's own 15 digits, and zero below it.
    TXMLRangeType outside = spectra.ranges().item(1);
    EXPECT_EQ(outside.x1(), std::numeric_limits<double>::max());
    EXPECT_EQ(outside.y1(), 0.0);
}

TEST(MziValues, NumbersAreWrittenWithPointDecimalsAndAtMostFifteenDigits) {
    TXMLQUENTARISType root = newQUENTARIS();
    TXMLRangeType range = root.spectra_set().add().ranges().add();
    range.setX1(0.1 + 0.2);
    range.setX2(-1.5e300);
    EXPECT_EQ(range.xml(), "<range x1=\"0.3\" x2=\"-1.5e+300\"/>");
}

TEST(MziValues, WideDeclaredAndEarlierEightBitEncodingsAreReadAsWritten) {
    const auto nameOf = [](std::string_view bytes) {
        return parseQUENTARIS(bytes).spectra_set().item(0).name();
    };
    const std::string name = "\u03A9 \u20AC \U0001D11E \xEF\xBF\xBDx";
    const std::u16string text16 =
        u"<QUENTARIS><spectra_set><spectra name=\"\u03A9 \u20AC \U0001D11E \xD800x\"/>"
        u"</spectra_set></QUENTARIS>";
    EXPECT_EQ(nameOf(wide<char16_t>(text16, false)), name);
    EXPECT_EQ(nameOf(wide<char16_t>(text16, true, false)), name);
    // 8-bit documents of earlier versions are Windows-1252; declared Latin-1 knows no euro sign
    // at 0x80.
    EXPECT_EQ(nameOf("<QUENTARIS><spectra_set><spectra name=\"Caf\xE9 \x80 5\xB5g\"/>"
                     "</spectra_set></QUENTARIS>"),
              "Caf\xC3\xA9 \xE2\x82\xAC 5\xC2\xB5g");
    EXPECT_EQ(nameOf("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><QUENTARIS>"
                     "<spectra_set><spectra name=\"\x80\xE9\"/></spectra_set></QUENTARIS>"),
              "\xC2\x80\xC3\xA9");
}

TEST(MziText, ElementTextIsReadWholeAndReplacedWhole) {
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><Annotations>a &lt;b&gt;<![CDATA[ & <c> ]]>d</Annotations></QUENTARIS>");
    TXMLNamevalueType page = root.annotations();
    EXPECT_EQ(page.text(), "a <b> & <c> d");
    EXPECT_EQ(page.textView(), "a <b> & <c> d");  // joined into one piece for the view
    page.setText("new <text> & more");
    EXPECT_EQ(page.xml(), "<Annotations>new &lt;text&gt; &amp; more</Annotations>");
    page.setText("");
    EXPECT_EQ(page.xml(), "<Annotations/>");

    // An element with element children has no text of its own to read or to replace.
    TXMLSpectra_setType set = root.spectra_set();
    set.add();
    EXPECT_EQ(mziErrorOf([&] { set.text(); }),
              "Cannot read the text of element \"spectra_set\": it has child elements");
    EXPECT_EQ(mziErrorOf([&] { set.setText("y"); }),
              "Cannot set the text of element \"spectra_set\": it has child elements");
    EXPECT_EQ(set.count(), 1);
}

// --- item lists and ownership --------------------------------------------------------------

TEST(MziLists, ItemsAreCountedInsertedAndDeletedAmongOtherChildren) {
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><spectra_set><spectra><ranges><x/><range ID=\"1\"/><y/><range ID=\"2\"/><z/>"
        "</ranges></spectra></spectra_set></QUENTARIS>");
    TXMLRangesType ranges = root.spectra_set().item(0).ranges();
    ASSERT_EQ(ranges.count(), 2);
    ranges.insert(0).setID(0);
    ranges.insert(2).setID(15);
    ranges.insert(4).setID(3);
    ranges.add().setID(4);
    ranges.deleteItem(2);
    EXPECT_EQ(ranges.xml(),
              "<ranges><x/><range ID=\"0\"/><range ID=\"1\"/><y/><range ID=\"2\"/><z/>"
              "<range ID=\"3\"/><range ID=\"4\"/></ranges>");

    EXPECT_EQ(mziErrorOf([&] { ranges.item(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(mziErrorOf([&] { ranges.deleteItem(5); }), "List index out of bounds (5)");
    EXPECT_EQ(mziErrorOf([&] { ranges.insert(6); }), "List index out of bounds (6)");
    ranges.clear();
    EXPECT_EQ(ranges.xml(), "<ranges><x/><y/><z/></ranges>");
}

TEST(MziLists, IteratorsOutliveTheTemporariesTheyCameFrom) {
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><spectra_set><spectra name=\"a\"><spectrumobs><FWHM mz=\"1\"/><FWHM mz=\"2\"/>"
        "</spectrumobs></spectra><spectra name=\"b\"/></spectra_set></QUENTARIS>");
    // The collection, its item list and the elements on the way are gone after each line.
    auto fromCollection = root.spectra_set().begin();
    auto fromList = root.spectra_set().items().begin();
    ++fromList;
    EXPECT_EQ((*fromCollection).name(), "a");
    EXPECT_EQ((*fromList).name(), "b");
    // Nor does an iterator depend on the list object it came from.
    auto list = std::make_unique<TXMLNodeList<TXMLSpectraType>>(root.spectra_set().items());
    auto it = list->begin();
    list.reset();
    EXPECT_EQ((*++it).name(), "b");
}

TEST(MziLists, ItemsReadInAnyOrderAgreeWhileTheListChanges) {
    // 300 labels named by their index, other children between them.
    std::string text = "<QUENTARIS><spectra_set><spectra><annotations>";
    for (int i = 0; i < 300; ++i)
        text +=
            (i % 7 ? "" : "<note/>") + std::string("<label name=\"") + std::to_string(i) + "\"/>";
    TXMLQUENTARISType root =
        parseQUENTARIS(text + "</annotations></spectra></spectra_set></QUENTARIS>");
    TXMLAnnotationType labels = root.spectra_set().item(0).annotations();
    std::vector<int> order(300);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(20240611));
    std::vector<int> names;
    for (const int i : order) names.push_back(std::stoi(labels.item(i).name()));
    EXPECT_EQ(names, order);

    // Changes through another view of the same list are seen at once.
    TXMLAnnotationType other = root.spectra_set().item(0).annotations();
    EXPECT_EQ(labels.item(150).name(), "150");
    other.deleteItem(10);
    EXPECT_EQ(labels.item(150).name(), "151");
    other.insert(5).setName("new");
    EXPECT_EQ(labels.item(150).name(), "150");
    other.clear();
    EXPECT_EQ(mziErrorOf([&] { labels.item(0); }), "List index out of bounds (0)");
}

TEST(MziLists, HandlesOnDeletedItemsRefuseToBeUsed) {
    TXMLQUENTARISType root = parseQUENTARIS(
        "<QUENTARIS><spectra_set><spectra name=\"a\"><spectrumobs><dataobs>1 2</dataobs>"
        "</spectrumobs><ranges><range x1=\"1\"/></ranges></spectra><spectra name=\"b\"/>"
        "</spectra_set></QUENTARIS>");
    TXMLSpectra_setType set = root.spectra_set();
    TXMLSpectraType spectra = set.item(0);
    TXMLDataType data = spectra.spectrumobs().dataobs();
    TXMLRangesType ranges = spectra.ranges();
    set.deleteItem(0);
    // The item and everything inside it, reached through handles taken before.
    const auto deleted = [](const char* tag) {
        return "Element \"" + std::string(tag) + "\" has been deleted from its document";
    };
    EXPECT_EQ(mziErrorOf([&] { spectra.spectrumobs(); }), deleted("spectra"));
    EXPECT_EQ(mziErrorOf([&] { data.textView(); }), deleted("dataobs"));
    EXPECT_EQ(mziErrorOf([&] { ranges.add(); }), deleted("ranges"));
    // Cleared items alike; the document keeps no trace of either.
    TXMLSpectraType second = set.item(0);
    set.clear();
    EXPECT_EQ(mziErrorOf([&] { second.name(); }), deleted("spectra"));
    set.add().setName("c");
    EXPECT_EQ(root.xml(),
              "<QUENTARIS><spectra_set><spectra name=\"c\"/></spectra_set></QUENTARIS>");
}

TEST(MziLists, HandlesKeepTheDocumentAlive) {
    const TTempFolder folder;
    const auto path = folder.write(
        "doc.mzi", "<QUENTARIS><spectra_set><spectra name=\"kept\"/></spectra_set></QUENTARIS>");
    const TXMLNodeList<TXMLSpectraType> list = loadQUENTARIS(path).spectra_set().items();
    TXMLSpectraType spectra = list.item(0);
    EXPECT_EQ(spectra.name(), "kept");
    spectra.spectrumobs().dataobs().setText("1 2\n");
    EXPECT_EQ(list.count(), 1);
}

}  // namespace
