// The mzXML import over the run reader: the kept scans are decoded as the pass reaches them, so
// that a fault in their peak data is reported before any fault in a later tag, in file order.
#include "files/MzXml.h"

#include <algorithm>
#include <utility>

#include "files/MessageNumbers.h"
#include "model/DecimalText.h"

c_mzXML::c_mzXML(const std::string& fileName, int keptScans, std::size_t maxPeaks)
    : m_fileName(fileName), m_keptScans(keptScans), m_maxPeaks(maxPeaks) {
    takeRun(TMzXmlRunReader(fileName, keeper()));
}

c_mzXML::c_mzXML(std::string sourceName, int keptScans, std::size_t maxPeaks, std::string_view text)
    : m_fileName(std::move(sourceName)), m_keptScans(keptScans), m_maxPeaks(maxPeaks) {
    takeRun(TMzXmlRunReader::fromText(std::string(text), m_fileName, keeper()));
}

c_mzXML c_mzXML::fromText(std::string_view text, const std::string& sourceName, int keptScans,
                          std::size_t maxPeaks) {
    return c_mzXML(sourceName, keptScans, maxPeaks, text);
}

TMzXmlRunReader::TRowListener c_mzXML::keeper() {
    // Used only while the constructor runs the reader's pass.
    return [this](const TMzXmlRunReader& run, int index) {
        if (index >= m_keptScans) return;
        c_scaninfo scan = run.scanInfo(index);
        // How messages name the scan: by its number, or where it starts when it has none.
        const auto owner = [&] {
            if (scan.num != 0) return "scan " + std::to_string(scan.num);
            return "the scan at byte " + groupedDigits(run.spectra()[index].offset);
        };
        std::optional<TScanPeaks> decoded = run.decodeScan(index, m_maxPeaks - m_peaksHeld);
        if (!decoded)
            throw EMzXmlError("Cannot read " + inQuotes(m_fileName) + ": the peaks of " + owner() +
                              " take the import past " + groupedDigits(m_maxPeaks) +
                              " peaks, the most it may hold.");
        m_peaksHeld += decoded->peaks.size() + decoded->nonFinitePairs;
        if (const std::size_t left = decoded->nonFinitePairs; left > 0) {
            const std::size_t pairs = decoded->peaks.size() + left;
            const std::string which =
                left < pairs ? groupedDigits(left) + " of the " + groupedDigits(pairs) + " peaks"
                : pairs == 1 ? std::string("the one peak")
                             : "all " + groupedDigits(pairs) + " peaks";
            m_warnings.push_back(inQuotes(m_fileName) + ": " + which + " of " + owner() +
                                 (left == 1 ? " holds NaN or an infinity and was left out."
                                            : " hold NaN or an infinity and were left out."));
        }
        scan.peaks = std::move(decoded->peaks);
        m_scans.push_back(std::move(scan));
    };
}

void c_mzXML::takeRun(const TMzXmlRunReader& run) {
    m_scanCount = run.scanCount();
    m_scansRead = static_cast<int>(run.spectra().size());
    m_hasRunHeader = run.hasRunHeader();
    // Scans that never hold peak data are no run the viewer can show: another format whose
    // elements happen to be named "scan", or a run written without its data.
    if (m_scans.empty() || std::any_of(m_scans.begin(), m_scans.end(),
                                       [](const c_scaninfo& s) { return s.hasPeaksElement; }))
        return;
    const bool more = m_scansRead > static_cast<int>(m_scans.size());
    const std::string which =
        m_scans.size() == 1
            ? std::string(more ? "its first scan holds" : "its scan holds") + " no peaks element"
            : "none of its " + std::string(more ? "first " : "") + std::to_string(m_scans.size()) +
                  " scans holds a peaks element";
    throw EMzXmlError("Cannot read " + inQuotes(m_fileName) + ": " + which + ".");
}
