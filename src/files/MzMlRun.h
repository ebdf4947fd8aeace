// The mzML run reader: the scan table found through the file's index (checked) or one pass over
// the mapped file, and one spectrum's or chromatogram's arrays decoded when asked. No Qt.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "files/MappedFile.h"
#include "files/RunReader.h"

// The file cannot be read as an mzML run, or one spectrum or chromatogram of it cannot be
// decoded; what() names the file and, where there is one, the spectrum.
class EMzMlError : public ERunError {
public:
    using ERunError::ERunError;
};

// One controlled-vocabulary term as a referenceable param group of the header states it.
struct TMzMlParam {
    std::string accession;      // "MS:1000511"
    std::string value;          // as written, entities resolved
    std::string unitAccession;  // "UO:0000031", or empty
    std::string name;           // the term's name, "ms level"
};

// An open mzML run. Opening reads the header before the spectrum list (its referenceable param
// groups) and one row per spectrum and stored chromatogram, from their start tags and the terms
// before their binary arrays; the arrays themselves are decoded only by loadSpectrum and
// loadChromatogram. The file stays mapped while the reader lives.
class TMzMlRunReader : public iRunReader {
public:
    // How far (in bytes, either way) an offset of the index may miss the tag it names and still
    // be taken: some writers give indexListOffset one byte early.
    static constexpr std::size_t indexSlipBytes = 8;

    // Throws EMzMlError when the file cannot be mapped or holds no mzML run.
    // progress is told how far the table has been read; the open throws ERunCancelled when it
    // gives up.
    explicit TMzMlRunReader(const std::string& fileName, const TRunProgress& progress = {});
    // The same over a file already mapped (an inflated compressed run); fileName names it in
    // messages.
    TMzMlRunReader(TMappedFile file, const std::string& fileName,
                   const TRunProgress& progress = {});
    // The same over a run already in memory, held by the reader; sourceName names it in
    // messages.
    static TMzMlRunReader fromText(std::string text, const std::string& sourceName);

    const std::string& fileName() const override { return m_fileName; }
    const char* formatName() const override { return "mzML"; }
    bool indexUsed() const override { return m_indexUsed; }
    const std::vector<std::string>& messages() const override { return m_messages; }
    std::string nativeId(int index) const override;
    const std::vector<TSpectrumRow>& spectra() const override { return m_rows; }
    // Also throws EMzMlError naming the spectrum when its arrays are not Base64, not the zlib or
    // MS-Numpress data their terms state, use a compression or data type this reader does not
    // know, decode to another count than the spectrum states, or lack the m/z or intensity
    // array (a spectrum of no points needs neither). Pairs holding NaN or an infinity are left
    // out.
    std::vector<TFloatPointRec> loadSpectrum(int index) const override;
    // Decodes from the mapping alone, which never changes while the reader lives.
    bool concurrentLoads() const override { return true; }
    // The count of the spectrumList start tag; 0 without one.
    int scanCount() const override { return m_scanCount; }
    // Whether an mzML start tag comes before the first spectrum.
    bool hasRunHeader() const override { return m_hasRunHeader; }

    const std::vector<TChromatogramRow>& chromatograms() const override { return m_chromatograms; }
    std::string chromatogramId(int index) const override;
    std::vector<TFloatPointRec> loadChromatogram(int index) const override;

    const TRunDescription& description() const override { return m_description; }

    // The referenceable param groups of the header, by id.
    const std::map<std::string, std::vector<TMzMlParam>, std::less<>>& paramGroups() const {
        return m_paramGroups;
    }

private:
    TMzMlRunReader(TMappedFile file, std::string heldText, std::string sourceName,
                   const TRunProgress& progress);
    std::string_view text() const;
    void readHeader(std::size_t headerEnd);
    bool readThroughIndex(const TRunProgress& progress);
    void readByPass(const TRunProgress& progress);
    [[noreturn]] void cancelled() const;
    std::string idAt(std::uint64_t offset) const;

    TMappedFile m_file;
    std::string m_heldText;  // the run when it was given as text
    std::string m_fileName;
    int m_scanCount = 0;
    bool m_hasRunHeader = false;
    bool m_indexUsed = false;
    std::map<std::string, std::vector<TMzMlParam>, std::less<>> m_paramGroups;
    TRunDescription m_description;
    std::vector<TSpectrumRow> m_rows;
    std::vector<TChromatogramRow> m_chromatograms;
    std::vector<std::string> m_messages;
};
