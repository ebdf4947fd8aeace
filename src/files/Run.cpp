#include "files/Run.h"

#include "files/FileFormat.h"
#include "files/GzipFile.h"
#include "files/MzMlRun.h"
#include "files/MzXmlRun.h"

namespace {

// A gzip-compressed run: inflated once (memory for a small one, an unnamed temporary file for a
// large one), then read by the reader its content asks for, over the inflated bytes.
std::unique_ptr<iRunReader> openCompressedRun(const std::string& path) {
    TMappedFile inflated;
    try {
        inflated = inflateGzipFile(path);
    } catch (const EMappedFileError& e) {
        throw ERunError(e.what());
    }
    switch (detectFormat(inflated.text().substr(0, formatHeadBytes))) {
    case TFileFormat::MzXml:
        return std::make_unique<TMzXmlRunReader>(std::move(inflated), path);
    case TFileFormat::MzMl:
        return std::make_unique<TMzMlRunReader>(std::move(inflated), path);
    default:
        throw ERunError("Cannot read \"" + path +
                        "\": it is compressed, but what it holds is not an mzML or mzXML run.");
    }
}

}  // namespace

std::unique_ptr<iRunReader> openRun(const std::string& path) {
    switch (detectFileFormat(path)) {
    case TFileFormat::MzXml:
        return std::make_unique<TMzXmlRunReader>(path);
    case TFileFormat::MzMl:
        return std::make_unique<TMzMlRunReader>(path);
    case TFileFormat::Gzip:
        return openCompressedRun(path);
    default: {
        // The mzXML reader tells why a file cannot be read at all.
        auto run = std::make_unique<TMzXmlRunReader>(path);
        if (!run->spectra().empty() || run->hasRunHeader()) return run;
        throw ERunError("Cannot read \"" + path + "\": it is not an mzML or mzXML run.");
    }
    }
}
