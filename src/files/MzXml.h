// The mzXML reader: scans a run as text, without an XML parser, for the run header, each scan's
// start tag and its peak list. No Qt.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/FloatPoint.h"

// The file cannot be read or its content cannot be taken as a run; what() names the file.
class EMzXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    int precision = 0;            // bits per value: 32 (also for 0) or 64
    std::string compressionType;  // "zlib", or "none" / empty for plain data
    // (m/z, intensity) in file order; pairs holding NaN or an infinity are left out.
    std::vector<TFloatPointRec> peaks;
};

// Reads a whole run at construction; the file is mapped, not copied, and closed again before
// the constructor returns. Only the first keptScans scans are kept with their peaks: the tags
// of later scans are still read (a malformed one fails the read), their peak data is skipped.
class c_mzXML {
public:
    // How many scans the viewer imports into one pane.
    static constexpr int importedScans = 11;
    // The most bytes the peak data of one scan may inflate to (32 M pairs of 32-bit values),
    // so that a compressed bomb or a lying peak count cannot exhaust the memory.
    static constexpr std::size_t maxInflatedBytes = std::size_t(256) << 20;

    // Throws EMzXmlError when the file cannot be read or a scan cannot be taken: an attribute
    // that does not convert, peak data that is not Base64, not zlib when it says so, inflates
    // to another size than its peak count gives, or is cut off by the end of the file.
    explicit c_mzXML(const std::string& fileName, int keptScans = importedScans);
    // The same over a run already in memory; sourceName names it in messages.
    static c_mzXML fromText(std::string_view text, const std::string& sourceName,
                            int keptScans = importedScans);

    const std::string& fileName() const { return m_fileName; }
    // The "scanCount" of the run header; 0 without one. Files do not always tell the truth here.
    int scanCount() const { return m_scanCount; }
    // The first keptScans scans, in file order (nested scans where their start tag stands).
    const std::vector<c_scaninfo>& scans() const { return m_scans; }
    // How many scan start tags the file holds, kept or not.
    int scansRead() const { return m_scansRead; }
    // Whether an msRun start tag comes before the first scan; a file with neither is no run.
    bool hasRunHeader() const { return m_hasRunHeader; }

private:
    c_mzXML(std::string sourceName, int keptScans, std::string_view text);
    void read(std::string_view text);

    std::string m_fileName;
    int m_keptScans;
    int m_scanCount = 0;
    int m_scansRead = 0;
    bool m_hasRunHeader = false;
    std::vector<c_scaninfo> m_scans;
};
