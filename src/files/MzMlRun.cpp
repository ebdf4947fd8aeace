// The mzML run reader: the terms of a spectrum's or chromatogram's head, the index check with
// the pass that replaces it, and the arrays of one element decoded when asked.
#include "files/MzMlRun.h"

#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "files/MessageNumbers.h"
#include "files/MzMlArrays.h"
#include "files/MzMlText.h"
#include "files/ParallelChunks.h"

namespace {

using namespace mzml;

constexpr double absent = TSpectrumRow::absent;

// --- the terms of a head ----------------------------------------------------------------------

// What the start tag and the terms before the binary arrays of a spectrum or chromatogram say.
struct THead {
    std::size_t start = npos;  // of "<spectrum" or "<chromatogram"
    std::size_t end = npos;    // where its arrays (or its end) start; npos when the text ends
    std::string_view id;       // as written
    std::optional<long long> index;
    long long defaultArrayLength = 0;
    TSpectrumRow row;
    double isolationTarget = absent;
    bool chargeSet = false;
    bool emptyElement = false;  // "<spectrum .../>"
    TChromatogramKind kind = TChromatogramKind::Other;
};

// Applies one term to the head. Precursor facts come from the first precursor: the first value
// of each term wins. A value that does not convert leaves the fact unstated.
void applyParam(THead& h, std::string_view accession, std::string_view value,
                std::string_view unit) {
    if (!accession.starts_with("MS:")) return;
    TSpectrumRow& r = h.row;
    // The terms are told apart by their number: one conversion instead of a comparison a term.
    const std::string_view digits = accession.substr(3);
    int a = 0;
    if (digits.size() != 7 ||
        std::from_chars(digits.data(), digits.data() + digits.size(), a).ptr !=
            digits.data() + digits.size())
        return;
    if (a == 1000511) {
        const auto level = integerOf(value);
        if (level && *level >= 0 && *level <= INT32_MAX) r.msLevel = static_cast<int>(*level);
    } else if (a == 1000016) {
        const auto time = doubleOf(value);
        const auto scale = secondsPerUnit(unit);
        if (std::isnan(r.retentionTime) && time && scale) r.retentionTime = *time * *scale;
    } else if (a == 1000744) {
        if (std::isnan(r.precursorMz)) r.precursorMz = doubleOf(value).value_or(absent);
    } else if (a == 1000827) {
        if (std::isnan(h.isolationTarget)) h.isolationTarget = doubleOf(value).value_or(absent);
    } else if (a == 1000041) {
        const auto charge = integerOf(value);
        if (!h.chargeSet && charge && *charge >= INT8_MIN && *charge <= INT8_MAX) {
            r.precursorCharge = static_cast<std::int8_t>(*charge);
            h.chargeSet = true;
        }
    } else if (a == 1000127) {
        r.peakMode = TPeakMode::Centroid;
    } else if (a == 1000128) {
        r.peakMode = TPeakMode::Profile;
    } else if (a == 1000130) {
        r.polarity = TPolarity::Positive;
    } else if (a == 1000129) {
        r.polarity = TPolarity::Negative;
    } else if (a == 1000285) {
        r.totIonCurrent = doubleOf(value).value_or(absent);
    } else if (a == 1000504) {
        r.basePeakMz = doubleOf(value).value_or(absent);
    } else if (a == 1000505) {
        r.basePeakIntensity = doubleOf(value).value_or(absent);
    } else if (a == 1000235) {
        h.kind = TChromatogramKind::Tic;
    } else if (a == 1000628) {
        h.kind = TChromatogramKind::Bpc;
    } else if (a == 1001473) {
        h.kind = TChromatogramKind::Srm;
    }
}
// The scan number of a native id: the digits after "scan=" at its start or after a blank.
std::optional<std::int32_t> scanNumberOf(std::string_view id) {
    for (std::size_t at = id.find("scan="); at != npos; at = id.find("scan=", at + 1)) {
        if (at > 0 && !isBlank(id[at - 1])) continue;
        const char* first = id.data() + at + 5;
        const char* last = id.data() + id.size();
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc() && end != first && (end == last || isBlank(*end))) return value;
    }
    return std::nullopt;
}

// Reads the head of the spectrum or chromatogram whose start tag is at p: its attributes and the
// terms up to its binary arrays or its end, group references resolved.
THead readHead(std::string_view text, std::size_t p, std::string_view name, const TGroups& groups) {
    THead h;
    h.start = p;
    TStartTag tag(text, p, name.size());
    while (const auto a = tag.next()) {
        if (a->first == "id") {
            h.id = a->second;
        } else if (a->first == "index") {
            h.index = integerOf(a->second);
        } else if (a->first == "defaultArrayLength") {
            const auto length = integerOf(a->second);
            if (length && *length >= 0) h.defaultArrayLength = *length;
        }
    }
    std::size_t pos = tag.skipRest();
    if (pos == npos) return h;
    if (tag.isEmptyElement()) {
        h.end = pos;
        h.emptyElement = true;
    } else {
        const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
        while ((pos = nextTag(text, pos)) != npos) {
            if (isTag(text, pos, "<cvParam")) {
                const TParamTag param = readParamTag(text, pos);
                applyParam(h, param.accession, param.value, param.unit);
            } else if (isTag(text, pos, "<referenceableParamGroupRef")) {
                if (const auto g = groups.find(groupRefAt(text, pos)); g != groups.end())
                    for (const TMzMlParam& param : g->second)
                        applyParam(h, param.accession, param.value, param.unitAccession);
            } else if (isTag(text, pos, "<binaryDataArrayList") ||
                       isTag(text, pos, "<binaryDataArray") || isTag(text, pos, endTag) ||
                       isElementBoundary(text, pos)) {
                h.end = pos;
                break;
            }
            ++pos;
        }
    }
    if (!h.row.hasPrecursor()) h.row.precursorMz = h.isolationTarget;
    h.row.offset = p;
    h.row.peaksCount =
        static_cast<std::int32_t>(std::min<long long>(h.defaultArrayLength, INT32_MAX));
    return h;
}
// From the end of a head, past the element's binary arrays and its end tag: each <binary> is
// passed over by its encodedLength when that lands on "</binary>", else by a search. Where the
// next element may start; npos when the text ends first. Stops before a start tag of the next
// element should the end tag be missing.
std::size_t skipArrays(std::string_view text, std::size_t pos, std::string_view name) {
    const std::string_view endTag = name == "<spectrum" ? "</spectrum" : "</chromatogram";
    std::optional<std::size_t> encodedLength;
    while ((pos = nextTag(text, pos)) != npos) {
        if (isTag(text, pos, "<binaryDataArray")) {
            TStartTag tag(text, pos, 16);
            encodedLength.reset();
            while (const auto a = tag.next())
                if (a->first == "encodedLength") encodedLength = encodedLengthOf(a->second);
            pos = tag.skipRest();
            if (pos == npos) return npos;
        } else if (isTag(text, pos, "<binary")) {
            TStartTag tag(text, pos, 7);
            const std::size_t content = tag.skipRest();
            if (content == npos) return npos;
            if (tag.isEmptyElement()) {
                pos = content;
                continue;
            }
            const std::size_t end = binaryEnd(text, content, encodedLength);
            if (end == npos) return npos;
            pos = end + binaryClose.size();
            encodedLength.reset();
        } else if (isTag(text, pos, endTag)) {
            const std::size_t gt = text.find('>', pos);
            return gt == npos ? npos : gt + 1;
        } else if (isElementBoundary(text, pos)) {
            return pos;
        } else {
            ++pos;
        }
    }
    return npos;
}
TMappedFile mapped(const std::string& fileName) {
    try {
        return TMappedFile(fileName);
    } catch (const EMappedFileError& e) {
        throw EMzMlError(e.what());
    }
}

// The number in "<indexListOffset>N</indexListOffset>" near the end of the text.
std::optional<std::optional<std::uint64_t>> indexListOffsetOf(std::string_view text) {
    constexpr std::string_view tag = "<indexListOffset>";
    // Only the tail is searched: a file without an index must not cost a backward search.
    const std::size_t tailFrom = text.size() > 4096 ? text.size() - 4096 : 0;
    std::size_t at = text.substr(tailFrom).rfind(tag);
    if (at == npos) return std::nullopt;
    at += tailFrom;
    const std::size_t from = at + tag.size();
    const std::size_t to = text.find('<', from);
    const auto value = integerOf(text.substr(from, to == npos ? npos : to - from));
    if (!value || *value < 0) return std::optional<std::uint64_t>();
    return std::optional<std::uint64_t>(static_cast<std::uint64_t>(*value));
}

// The position of the tag name within slip bytes of offset, the exact one first.
std::optional<std::size_t> tagNear(std::string_view text, std::uint64_t offset,
                                   std::string_view name) {
    if (offset >= text.size()) return std::nullopt;
    const auto p = static_cast<std::size_t>(offset);
    if (isTag(text, p, name)) return p;
    for (std::size_t d = 1; d <= TMzMlRunReader::indexSlipBytes; ++d) {
        if (p >= d && isTag(text, p - d, name)) return p - d;
        if (p + d < text.size() && isTag(text, p + d, name)) return p + d;
    }
    return std::nullopt;
}

struct TIndexEntry {
    std::string_view idRef;
    std::uint64_t offset = 0;
};

}  // namespace

// --- the reader --------------------------------------------------------------------------------

TMzMlRunReader::TMzMlRunReader(const std::string& fileName, const TRunProgress& progress)
    : TMzMlRunReader(mapped(fileName), {}, fileName, progress) {}

TMzMlRunReader::TMzMlRunReader(TMappedFile file, const std::string& fileName,
                               const TRunProgress& progress)
    : TMzMlRunReader(std::move(file), {}, fileName, progress) {}

TMzMlRunReader::TMzMlRunReader(TMappedFile file, std::string heldText, std::string sourceName,
                               const TRunProgress& progress)
    : m_file(std::move(file)), m_heldText(std::move(heldText)), m_fileName(std::move(sourceName)) {
    const std::string_view t = text();
    // The header ends where the spectrum list starts (the chromatogram list in a run of
    // chromatograms only).
    std::size_t headerEnd = 0;
    for (std::size_t p = nextTag(t, 0); p != npos; p = nextTag(t, p + 1)) {
        if (isTag(t, p, "<mzML")) m_hasRunHeader = true;
        if (isTag(t, p, "<spectrumList") || isTag(t, p, "<chromatogramList") ||
            isTag(t, p, "<spectrum") || isTag(t, p, "<chromatogram")) {
            headerEnd = p;
            break;
        }
        headerEnd = p;
    }
    if (isTag(t, headerEnd, "<spectrumList")) {
        TStartTag tag(t, headerEnd, 13);
        while (const auto a = tag.next())
            if (a.value().first == "count")
                if (const auto n = integerOf(a->second); n && *n >= 0 && *n <= INT32_MAX)
                    m_scanCount = static_cast<int>(*n);
    }
    readHeader(headerEnd);
    if (!readThroughIndex(progress)) readByPass(progress);
    if (!m_hasRunHeader && m_rows.empty() && m_chromatograms.empty())
        throw EMzMlError("Cannot read " + inQuotes(m_fileName) + ": it holds no mzML run.");
}

TMzMlRunReader TMzMlRunReader::fromText(std::string text, const std::string& sourceName) {
    return TMzMlRunReader(TMappedFile(), std::move(text), sourceName, {});
}

void TMzMlRunReader::cancelled() const {
    throw ERunCancelled("The reading of " + inQuotes(m_fileName) + " was cancelled.");
}

std::string_view TMzMlRunReader::text() const {
    return m_heldText.empty() ? m_file.text() : std::string_view(m_heldText);
}

// The referenceable param groups, parsed as XML from their list in the header only.
namespace {

// The element named list in header, from its start tag to its end tag, as a document of its own:
// the header is never parsed whole. Empty when it is not there or not well-formed.
pugi::xml_document headerList(std::string_view header, std::string_view list) {
    pugi::xml_document doc;
    const std::string start = "<" + std::string(list);
    std::size_t from = npos;
    for (std::size_t p = nextTag(header, 0); p != npos; p = nextTag(header, p + 1))
        if (isTag(header, p, start)) {
            from = p;
            break;
        }
    if (from == npos) return doc;
    const std::string close = "</" + std::string(list) + ">";
    const std::size_t to = header.find(close, from);
    if (to == npos) return doc;
    const std::string_view part = header.substr(from, to + close.size() - from);
    if (!doc.load_buffer(part.data(), part.size(), pugi::parse_default, pugi::encoding_utf8))
        doc.reset();
    return doc;
}

}  // namespace

void TMzMlRunReader::readHeader(std::size_t headerEnd) {
    const std::string_view header = text().substr(0, headerEnd);
    const pugi::xml_document groups = headerList(header, "referenceableParamGroupList");
    for (const pugi::xml_node group : groups.first_child().children("referenceableParamGroup")) {
        std::vector<TMzMlParam>& params = m_paramGroups[group.attribute("id").value()];
        for (const pugi::xml_node param : group.children("cvParam"))
            params.push_back(
                {param.attribute("accession").value(), param.attribute("value").value(),
                 param.attribute("unitAccession").value(), param.attribute("name").value()});
    }

    // The model is the term of the first configuration, given there or through a group, that
    // names something without a value (the serial number has one).
    const pugi::xml_document instruments = headerList(header, "instrumentConfigurationList");
    if (const pugi::xml_node first = instruments.first_child().child("instrumentConfiguration")) {
        std::vector<TMzMlParam> terms;
        for (const pugi::xml_node node : first.children()) {
            if (std::string_view(node.name()) == "cvParam")
                terms.push_back({node.attribute("accession").value(),
                                 node.attribute("value").value(),
                                 {},
                                 node.attribute("name").value()});
            if (std::string_view(node.name()) == "referenceableParamGroupRef")
                if (const auto group = m_paramGroups.find(node.attribute("ref").value());
                    group != m_paramGroups.end())
                    terms.insert(terms.end(), group->second.begin(), group->second.end());
        }
        for (const TMzMlParam& term : terms)
            if (term.value.empty() && !term.name.empty()) {
                m_description.instrument = term.name;
                break;
            }
    }
    const pugi::xml_document software = headerList(header, "softwareList");
    for (const pugi::xml_node entry : software.first_child().children("software")) {
        const pugi::xml_node term = entry.child("cvParam");
        std::string name = term ? term.attribute("name").value() : entry.attribute("id").value();
        if (const std::string version = entry.attribute("version").value(); !version.empty())
            name += " " + version;
        m_description.software.push_back(std::move(name));
    }
    for (std::size_t p = nextTag(header, 0); p != npos; p = nextTag(header, p + 1))
        if (isTag(header, p, "<run")) {
            const std::size_t end = header.find('>', p);
            const std::string_view tag = header.substr(p, end == npos ? npos : end - p);
            constexpr std::string_view key = "startTimeStamp=\"";
            if (const std::size_t at = tag.find(key); at != npos) {
                const std::size_t from = at + key.size();
                const std::size_t to = tag.find('"', from);
                if (to != npos) m_description.startTime = std::string(tag.substr(from, to - from));
            }
            break;
        }
}

// The rows through the index, each offset checked to land on the element its idRef names (a few
// bytes either way); false, with a message when an index was there, on the first fault.
bool TMzMlRunReader::readThroughIndex(const TRunProgress& progress) {
    const std::string_view t = text();
    std::string fault;
    const auto done = [&](bool used) {
        if (!used) {
            m_rows.clear();
            m_chromatograms.clear();
            if (!fault.empty())
                m_messages.push_back("The index of " + inQuotes(m_fileName) + " is wrong (" +
                                     fault +
                                     "); its spectra were found by reading the whole file.");
        }
        m_indexUsed = used;
        return used;
    };

    const auto listOffset = indexListOffsetOf(t);
    if (!listOffset) return done(false);
    if (!*listOffset) {
        fault = "its indexListOffset is not a number";
        return done(false);
    }
    const auto list = tagNear(t, **listOffset, "<indexList");
    if (!list) {
        fault = "indexListOffset " + groupedDigits(**listOffset) + " does not point at the index";
        return done(false);
    }

    std::vector<TIndexEntry> spectra, chromatograms;
    std::vector<TIndexEntry>* current = nullptr;
    for (std::size_t p = nextTag(t, *list + 1); p != npos; p = nextTag(t, p + 1)) {
        if (isTag(t, p, "</indexList")) break;
        if (isTag(t, p, "<index")) {
            TStartTag tag(t, p, 6);
            current = nullptr;
            while (const auto a = tag.next())
                if (a->first == "name")
                    current = a->second == "spectrum"       ? &spectra
                              : a->second == "chromatogram" ? &chromatograms
                                                            : nullptr;
        } else if (current && isTag(t, p, "<offset")) {
            TStartTag tag(t, p, 7);
            TIndexEntry entry;
            while (const auto a = tag.next())
                if (a->first == "idRef") entry.idRef = a->second;
            const std::size_t from = tag.skipRest();
            const std::size_t to = from == npos ? npos : t.find('<', from);
            const auto value = to == npos ? std::nullopt : integerOf(t.substr(from, to - from));
            if (!value || *value < 0) {
                fault = "an offset is not a number";
                return done(false);
            }
            entry.offset = static_cast<std::uint64_t>(*value);
            current->push_back(entry);
        }
    }
    if (m_scanCount != static_cast<int>(spectra.size()) && (m_scanCount > 0 || !spectra.empty())) {
        fault = "it lists " + groupedDigits(spectra.size()) + " spectra, the spectrum list " +
                groupedDigits(static_cast<std::uint64_t>(m_scanCount));
        return done(false);
    }
    // The chromatogram list ends just before the run does, right before the index: an index
    // without chromatograms must not hide those the file holds.
    if (chromatograms.empty()) {
        const std::size_t nearFrom = *list > 4096 ? *list - 4096 : 0;
        if (t.substr(nearFrom, *list - nearFrom).find("</chromatogramList") != npos) {
            fault = "it lists no chromatograms, the file holds some";
            return done(false);
        }
    }

    // Each offset lands on its element (a few bytes either way), after the one before and before
    // the index; the element has the id the entry names and, when numbered, the next number.
    // The spectra are placed in chunks on every core; the first fault in file order is the one
    // told, as one pass from the start would tell it.
    std::optional<long long> firstNumber;
    const auto faultAt = [](const TIndexEntry& entry, std::string_view name) {
        return "the offset of " +
               std::string(name == "<spectrum" ? "spectrum " : "chromatogram ") +
               inQuotes(unescaped(entry.idRef)) + " does not point at it";
    };
    const auto place = [&](const TIndexEntry& entry, std::string_view name, std::size_t i,
                           std::size_t previous) -> std::optional<THead> {
        const auto at = tagNear(t, entry.offset, name);
        std::optional<THead> head;
        if (at && *at < *list && (i == 0 || *at > previous))
            head = readHead(t, *at, name, m_paramGroups);
        if (!head || head->end == npos || head->id != entry.idRef ||
            (head->index && firstNumber &&
             static_cast<unsigned long long>(*head->index) -
                     static_cast<unsigned long long>(*firstNumber) !=
                 i))
            return std::nullopt;
        return head;
    };
    if (!spectra.empty()) {
        const auto first = place(spectra[0], "<spectrum", 0, 0);
        if (!first) {
            fault = faultAt(spectra[0], "<spectrum");
            return done(false);
        }
        firstNumber = first->index;
    }
    m_rows.resize(spectra.size());
    // Per chunk: where its first fault is (npos for none).
    constexpr std::size_t rowsPerChunk = 2048;
    std::vector<std::size_t> faults(std::max(1u, std::thread::hardware_concurrency()), npos);
    // Only the first chunk, on this thread, tells the progress; the others look for its verdict.
    std::atomic<bool> givenUp = false;
    const std::vector<std::size_t> bounds = forEachChunk(
        spectra.size(), rowsPerChunk, [&](std::size_t begin, std::size_t end, std::size_t chunk) {
            // Order within the chunk is checked here, across chunks below.
            std::size_t previous = 0;
            for (std::size_t i = begin; i < end; ++i) {
                if ((i - begin) % 256 == 0) {
                    if (chunk == 0 && progress &&
                        !progress(static_cast<double>(i) / static_cast<double>(end)))
                        givenUp = true;
                    if (givenUp) return;
                }
                auto head = place(spectra[i], "<spectrum", i, i == begin ? 0 : previous);
                if (!head) {
                    faults[chunk] = i;
                    return;
                }
                previous = head->start;
                head->row.scanNumber =
                    scanNumberOf(head->id).value_or(static_cast<std::int32_t>(i + 1));
                m_rows[i] = head->row;
            }
        });
    if (givenUp) cancelled();
    std::size_t firstFault = npos;
    for (std::size_t c = 0; c + 1 < bounds.size(); ++c) {
        const std::size_t begin = bounds[c];
        if (begin > 0 && begin < bounds[c + 1] && m_rows[begin].offset <= m_rows[begin - 1].offset)
            firstFault = std::min(firstFault, begin);
        firstFault = std::min(firstFault, faults[c]);
    }
    if (firstFault != npos) {
        fault = faultAt(spectra[firstFault], "<spectrum");
        return done(false);
    }
    std::size_t previous = m_rows.empty() ? 0 : static_cast<std::size_t>(m_rows.back().offset);
    for (std::size_t i = 0; i < chromatograms.size(); ++i) {
        // Chromatograms are numbered from their own first one.
        if (i == 0) firstNumber.reset();
        const auto head = place(chromatograms[i], "<chromatogram", i, previous);
        if (!head) {
            fault = faultAt(chromatograms[i], "<chromatogram");
            return done(false);
        }
        if (i == 0) firstNumber = head->index;
        previous = head->start;
        m_chromatograms.push_back({head->start, head->row.peaksCount, head->kind});
    }
    return done(true);
}

// One pass from the start of the run: each spectrum's and chromatogram's head is read, its
// binary arrays passed over by their encodedLength.
void TMzMlRunReader::readByPass(const TRunProgress& progress) {
    const std::string_view t = text();
    std::size_t pos = nextTag(t, 0);
    std::size_t elements = 0;
    while (pos != npos) {
        const bool spectrum = isTag(t, pos, "<spectrum");
        if (!spectrum && !isTag(t, pos, "<chromatogram")) {
            if (isTag(t, pos, "<indexList") || isTag(t, pos, "</mzML")) break;
            pos = nextTag(t, pos + 1);
            continue;
        }
        if (progress && ++elements % 256 == 0 &&
            !progress(static_cast<double>(pos) / static_cast<double>(t.size())))
            cancelled();
        const std::string_view name = spectrum ? "<spectrum" : "<chromatogram";
        const THead head = readHead(t, pos, name, m_paramGroups);
        const auto endsInside = [&] {
            m_messages.push_back(inQuotes(m_fileName) + " ends inside " +
                                 (spectrum ? "spectrum " : "chromatogram ") +
                                 inQuotes(unescaped(head.id)) + "; the run is read up to it.");
        };
        if (head.end == npos) {
            endsInside();
            break;
        }
        if (spectrum) {
            TSpectrumRow row = head.row;
            row.scanNumber =
                scanNumberOf(head.id).value_or(static_cast<std::int32_t>(m_rows.size() + 1));
            m_rows.push_back(row);
        } else {
            m_chromatograms.push_back({head.start, head.row.peaksCount, head.kind});
        }
        const std::size_t next = head.emptyElement ? head.end : skipArrays(t, head.end, name);
        if (next == npos) {
            endsInside();
            break;
        }
        pos = nextTag(t, next);
    }
}

std::string TMzMlRunReader::idAt(std::uint64_t offset) const {
    const std::string_view t = text();
    const auto p = static_cast<std::size_t>(offset);
    const std::size_t nameLength = t.compare(p, 9, "<spectrum") == 0 ? 9 : 13;
    TStartTag tag(t, p, nameLength);
    while (const auto a = tag.next())
        if (a->first == "id") return unescaped(a->second);
    return {};
}

std::string TMzMlRunReader::nativeId(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        throw std::out_of_range("no spectrum " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return idAt(m_rows[static_cast<std::size_t>(index)].offset);
}

std::string TMzMlRunReader::chromatogramId(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chromatograms.size())
        throw std::out_of_range("no chromatogram " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return idAt(m_chromatograms[static_cast<std::size_t>(index)].offset);
}

namespace {

// The (x, y) pairs of the element whose start tag is at offset: x from the array of kind xKind
// (times scaled to seconds), y from the intensity array. what names the element in errors.
std::vector<TFloatPointRec> loadPairs(std::string_view t, std::uint64_t offset,
                                      std::string_view name, const TGroups& groups,
                                      const std::string& fileName, bool timeX) {
    const THead head = readHead(t, static_cast<std::size_t>(offset), name, groups);
    const auto fail = [&](const std::string& fault) {
        throw EMzMlError(std::string("Cannot read ") +
                         (name == "<spectrum" ? "spectrum " : "chromatogram ") +
                         inQuotes(unescaped(head.id)) + " of " + inQuotes(fileName) + ": " +
                         fault + ".");
    };
    if (head.end == npos) fail("the file ends inside it");
    try {
        return arrayPairs(t, head.emptyElement ? npos : head.end, name, groups,
                          head.defaultArrayLength, timeX);
    } catch (const TArrayFault& f) {
        fail(f.what);
    }
    return {};
}

}  // namespace

std::vector<TFloatPointRec> TMzMlRunReader::loadSpectrum(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        throw std::out_of_range("no spectrum " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return loadPairs(text(), m_rows[static_cast<std::size_t>(index)].offset, "<spectrum",
                     m_paramGroups, m_fileName, false);
}

std::vector<TFloatPointRec> TMzMlRunReader::loadChromatogram(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_chromatograms.size())
        throw std::out_of_range("no chromatogram " + std::to_string(index) + " in " +
                                inQuotes(m_fileName));
    return loadPairs(text(), m_chromatograms[static_cast<std::size_t>(index)].offset,
                     "<chromatogram", m_paramGroups, m_fileName, true);
}
