// The mzXML run reader: one pass over the mapped file that finds every scan's start tag and its
// attributes, and the decoding of one scan's peaks when asked. A text scanner, no XML parser;
// no Qt.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/MappedFile.h"
#include "files/RunReader.h"

// The file cannot be read or its content cannot be taken as a run; what() names the file.
class EMzXmlError : public ERunError {
public:
    using ERunError::ERunError;
};

// One scan: the attributes of its start tag, those of its peaks element and the decoded peaks.
// Numbers are 0 and texts empty for attributes the file does not give.
struct c_scaninfo {
    int num = 0;
    int msLevel = 0;
    int peaksCount = 0;
    std::string retentionTime;  // as written, e.g. "PT0.2961S"
    double startMz = 0.0;
    double endMz = 0.0;
    double basePeakMz = 0.0;
    double basePeakIntensity = 0.0;
    double totIonCurrent = 0.0;
    int precision = 0;             // bits per value: 32 (also for 0) or 64
    std::string compressionType;   // "zlib", or "none" / empty for plain data
    bool hasPeaksElement = false;  // whether the scan holds a peaks element, empty or not
    // The scan's centroided attribute; without one, Centroid when the run's processing
    // centroided the data.
    TPeakMode peakMode = TPeakMode::Unknown;
    // (m/z, intensity) in file order; pairs holding NaN or an infinity are left out.
    std::vector<TFloatPointRec> peaks;
};

// The peaks of one scan as decoded, and what the decoding left out.
struct TScanPeaks {
    // (m/z, intensity) in file order, whatever order and byte order the file stores them in.
    std::vector<TFloatPointRec> peaks;
    // Pairs holding NaN or an infinity: left out of peaks.
    std::size_t nonFinitePairs = 0;
};

// An open mzXML run. Opening reads the run header and every scan start tag (nested scans where
// their tag stands) with the attributes of its peaks element; the peak data is passed over, not
// decoded. Where the file ends with a scan index that checks, the scans are found through it
// and most peak data is not even passed over; a wrong index is passed over with a message. The
// file stays mapped while the reader lives.
class TMzXmlRunReader : public iRunReader {
public:
    // The most bytes the peak data of one scan may inflate to (32 M pairs of 32-bit values),
    // so that a compressed bomb or a lying peak count cannot exhaust the memory.
    static constexpr std::size_t maxInflatedBytes = std::size_t(256) << 20;
    // Compressed peak data of a scan without a peak count may inflate to this many times its
    // own size, or to inflationFloorBytes when that is more. m/z and intensity values compress
    // a few times at most; a stream of zeros, a thousand times.
    static constexpr std::size_t maxInflationRatio = 100;
    static constexpr std::size_t inflationFloorBytes = std::size_t(1) << 20;

    // Called with each scan's index as soon as its row is read, before the pass reads on; it may
    // call scanInfo and loadSpectrum for that index (the reader is complete up to that row). A
    // fault it throws ends the open, so that the first fault in file order is the one reported.
    using TRowListener = std::function<void(const TMzXmlRunReader&, int index)>;

    // Throws EMzXmlError when the file is no regular file or cannot be read, is an mzML run, the
    // header or a scan's start tag or peaks tag has an attribute that does not convert, or the
    // file ends inside a scan before its peak data is whole.
    explicit TMzXmlRunReader(const std::string& fileName, const TRowListener& onRow = {});
    // The same over a file mapped by the caller (an inflated compressed run, for one), held by
    // the reader; fileName names it in messages.
    TMzXmlRunReader(TMappedFile file, const std::string& fileName, const TRowListener& onRow = {});
    // The same over a run already in memory, held by the reader; sourceName names it in
    // messages.
    static TMzXmlRunReader fromText(std::string text, const std::string& sourceName,
                                    const TRowListener& onRow = {});

    const std::string& fileName() const override { return m_fileName; }
    const char* formatName() const override { return "mzXML"; }
    // The length of the run's text in bytes.
    std::size_t fileBytes() const { return text().size(); }
    // Whether the rows came from the file's scan index (every entry checked against the scan it
    // points at) rather than from a pass over the whole file.
    bool indexUsed() const override { return m_indexUsed; }
    const std::vector<std::string>& messages() const override { return m_messages; }
    const TRunDescription& description() const override { return m_description; }
    // "scan=" and the scan's num.
    std::string nativeId(int index) const override;
    const std::vector<TSpectrumRow>& spectra() const override { return m_rows; }
    // Also throws EMzXmlError for peak data that is not Base64, not zlib when it says so, holds
    // another number of pairs than its peak count gives (or, without one, a part of a pair), or
    // inflates far beyond its compressed size without a peak count that states so many; for a
    // precision other than 32 or 64 (an empty peaks element included), a byte order other than
    // big-endian ("network") or little-endian, and pairs other than m/z-intensity or
    // intensity-m/z.
    std::vector<TFloatPointRec> loadSpectrum(int index) const override;
    // Decodes from the mapping alone, which never changes while the reader lives.
    bool concurrentLoads() const override { return true; }
    // loadSpectrum with a bound: nullopt when scan index holds more than maxPairs pairs, which
    // shows before more than that many are decoded or inflated. Throws as loadSpectrum.
    std::optional<TScanPeaks> decodeScan(int index, std::size_t maxPairs) const;
    // A scan that does not say is a centroid list when a processing step centroided the run.
    TPeakMode peakMode(int index) const override;
    int scanCount() const override { return m_scanCount; }
    // Whether an msRun start tag comes before the first scan; a file with neither is no run.
    bool hasRunHeader() const override { return m_hasRunHeader; }

    // The attributes of scan index as written, read again from its tags; peaks left empty.
    c_scaninfo scanInfo(int index) const;

private:
    TMzXmlRunReader(TMappedFile file, std::string heldText, std::string sourceName,
                    const TRowListener& onRow);
    std::string_view text() const;
    const TSpectrumRow& row(int index) const;
    void readRows(const TRowListener& onRow);
    // Reads the rows through the file's scan index when it has one whose entries check, and
    // sets m_indexUsed. Otherwise leaves the rows empty and gives why a present index was
    // passed over (nullopt when there is none).
    std::optional<std::string> readIndexedRows(std::size_t firstScanFrom);

    TMappedFile m_file;
    std::string m_heldText;  // the run when it was given as text
    std::string m_fileName;
    int m_scanCount = 0;
    bool m_hasRunHeader = false;
    bool m_indexUsed = false;
    // A dataProcessing element before the first scan states centroided="1".
    bool m_centroidedRun = false;
    std::vector<TSpectrumRow> m_rows;
    std::vector<std::string> m_messages;
    TRunDescription m_description;
};
