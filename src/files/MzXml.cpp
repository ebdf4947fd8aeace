// The mzXML import over the run reader: the kept scans are decoded as the pass reaches them, so
// that a fault in their peak data is reported before any fault in a later tag, in file order.
#include "files/MzXml.h"

#include <utility>

c_mzXML::c_mzXML(const std::string& fileName, int keptScans)
    : m_fileName(fileName), m_keptScans(keptScans) {
    takeRun(TMzXmlRunReader(fileName, keeper()));
}

c_mzXML::c_mzXML(std::string sourceName, int keptScans, std::string_view text)
    : m_fileName(std::move(sourceName)), m_keptScans(keptScans) {
    takeRun(TMzXmlRunReader::fromText(std::string(text), m_fileName, keeper()));
}

c_mzXML c_mzXML::fromText(std::string_view text, const std::string& sourceName, int keptScans) {
    return c_mzXML(sourceName, keptScans, text);
}

TMzXmlRunReader::TRowListener c_mzXML::keeper() {
    // Used only while the constructor runs the reader's pass.
    return [this](const TMzXmlRunReader& run, int index) {
        if (index >= m_keptScans) return;
        c_scaninfo scan = run.scanInfo(index);
        scan.peaks = run.loadSpectrum(index);
        m_scans.push_back(std::move(scan));
    };
}

void c_mzXML::takeRun(const TMzXmlRunReader& run) {
    m_scanCount = run.scanCount();
    m_scansRead = static_cast<int>(run.spectra().size());
    m_hasRunHeader = run.hasRunHeader();
}
