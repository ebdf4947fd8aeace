// The mzXML import: the first scans of a run with their decoded peaks, read through the run
// reader. No Qt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/MzXmlRun.h"

// Reads a whole run at construction; the file is mapped, not copied, and closed again before
// the constructor returns. Only the first keptScans scans are kept with their peaks: the tags
// of later scans are still read (a malformed one fails the read), their peak data is skipped.
class c_mzXML {
public:
    // How many scans the viewer imports into one pane.
    static constexpr int importedScans = 11;
    static constexpr std::size_t maxInflatedBytes = TMzXmlRunReader::maxInflatedBytes;
    // The most peaks the kept scans may hold together (256 MB of points), so that scans that
    // each pass their own bounds cannot together exhaust the memory.
    static constexpr std::size_t maxImportedPeaks = std::size_t(1) << 24;

    // Throws EMzXmlError when the file cannot be read or a scan cannot be taken: an attribute
    // that does not convert, peak data that is not Base64, not zlib when it says so, does not
    // hold what its peak count says, is stored in a way the reader does not know, or is cut off
    // by the end of the file; when the kept scans hold more than maxPeaks peaks together; when
    // the run is an mzML one, or scans were kept and none of them has a peaks element.
    explicit c_mzXML(const std::string& fileName, int keptScans = importedScans,
                     std::size_t maxPeaks = maxImportedPeaks);
    // The same over a run already in memory; sourceName names it in messages.
    static c_mzXML fromText(std::string_view text, const std::string& sourceName,
                            int keptScans = importedScans, std::size_t maxPeaks = maxImportedPeaks);

    const std::string& fileName() const { return m_fileName; }
    // The "scanCount" of the run header; 0 without one. Files do not always tell the truth here.
    int scanCount() const { return m_scanCount; }
    // The first keptScans scans, in file order (nested scans where their start tag stands).
    const std::vector<c_scaninfo>& scans() const { return m_scans; }
    // How many scan start tags the file holds, kept or not.
    int scansRead() const { return m_scansRead; }
    // Whether an msRun start tag comes before the first scan; a file with neither is no run.
    bool hasRunHeader() const { return m_hasRunHeader; }
    // What the user should know of a read that succeeded, one message per scan in file order:
    // the peaks left out because they hold NaN or an infinity. Each names the file.
    const std::vector<std::string>& warnings() const { return m_warnings; }

private:
    c_mzXML(std::string sourceName, int keptScans, std::size_t maxPeaks, std::string_view text);
    // Called by the run reader for each scan as its pass reaches it.
    TMzXmlRunReader::TRowListener keeper();
    void takeRun(const TMzXmlRunReader& run);

    std::string m_fileName;
    int m_keptScans;
    std::size_t m_maxPeaks;
    std::size_t m_peaksHeld = 0;  // pairs decoded for the kept scans so far
    int m_scanCount = 0;
    int m_scansRead = 0;
    bool m_hasRunHeader = false;
    std::vector<c_scaninfo> m_scans;
    std::vector<std::string> m_warnings;
};
