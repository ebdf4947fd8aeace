#include "files/Run.h"

#include "files/FileFormat.h"
#include "files/MzMlRun.h"
#include "files/MzXmlRun.h"

std::unique_ptr<iRunReader> openRun(const std::string& path) {
    switch (detectFileFormat(path)) {
    case TFileFormat::MzXml:
        return std::make_unique<TMzXmlRunReader>(path);
    case TFileFormat::MzMl:
        return std::make_unique<TMzMlRunReader>(path);
    case TFileFormat::Gzip:
        throw ERunError("Cannot read \"" + path + "\": compressed runs cannot be read yet.");
    default: {
        // The mzXML reader tells why a file cannot be read at all.
        auto run = std::make_unique<TMzXmlRunReader>(path);
        if (!run->spectra().empty() || run->hasRunHeader()) return run;
        throw ERunError("Cannot read \"" + path + "\": it is not an mzML or mzXML run.");
    }
    }
}
