#include "files/Run.h"

#include "files/FileFormat.h"
#include "files/GzipFile.h"
#include "files/MzMlRun.h"
#include "files/MzXmlRun.h"

namespace {

// Tells an mzXML reader's progress from the rows it finds: every few hundred rows, the share of
// the file read up to the row.
TMzXmlRunReader::TRowListener rowProgress(const TRunProgress& progress) {
    if (!progress) return {};
    return [progress](const TMzXmlRunReader& run, int index) {
        if (index % 256 != 255) return;
        const double read = static_cast<double>(run.spectra()[static_cast<std::size_t>(index)].offset);
        const double size = static_cast<double>(run.fileBytes());
        if (!progress(size > 0 ? read / size : 0.0))
            throw ERunCancelled("The reading of \"" + run.fileName() + "\" was cancelled.");
    };
}

// A gzip-compressed run: inflated once (memory for a small one, an unnamed temporary file for a
// large one), then read by the reader its content asks for, over the inflated bytes.
std::unique_ptr<iRunReader> openCompressedRun(const std::string& path,
                                              const TRunProgress& progress) {
    TMappedFile inflated;
    try {
        inflated = inflateGzipFile(path);
    } catch (const EMappedFileError& e) {
        throw ERunError(e.what());
    }
    switch (detectFormat(inflated.text().substr(0, formatHeadBytes))) {
    case TFileFormat::MzXml:
        return std::make_unique<TMzXmlRunReader>(std::move(inflated), path, rowProgress(progress));
    case TFileFormat::MzMl:
        return std::make_unique<TMzMlRunReader>(std::move(inflated), path, progress);
    default:
        throw ERunError("Cannot read \"" + path +
                        "\": it is compressed, but what it holds is not an mzML or mzXML run.");
    }
}

}  // namespace

std::unique_ptr<iRunReader> openRun(const std::string& path, const TRunProgress& progress) {
    switch (detectFileFormat(path)) {
    case TFileFormat::MzXml:
        return std::make_unique<TMzXmlRunReader>(path, rowProgress(progress));
    case TFileFormat::MzMl:
        return std::make_unique<TMzMlRunReader>(path, progress);
    case TFileFormat::Gzip:
        return openCompressedRun(path, progress);
    default: {
        // The mzXML reader tells why a file cannot be read at all.
        auto run = std::make_unique<TMzXmlRunReader>(path);
        if (!run->spectra().empty() || run->hasRunHeader()) return run;
        throw ERunError("Cannot read \"" + path + "\": it is not an mzML or mzXML run.");
    }
    }
}
