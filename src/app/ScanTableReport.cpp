// --scan-table: the rows of one run as JSON, without a window.
#include "app/ScanTableReport.h"

#include <QFile>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileFailure.h"
#include "app/JsonWriter.h"
#include "files/Run.h"

namespace {

const char* chromatogramKindText(TChromatogramKind kind) {
    switch (kind) {
        case TChromatogramKind::Tic:
            return "TIC";
        case TChromatogramKind::Bpc:
            return "BPC";
        case TChromatogramKind::Srm:
            return "SRM";
        case TChromatogramKind::Other:
            break;
    }
    return "other";
}

void writeSpectrumRow(TJsonWriter& json, const iRunReader& run, int index) {
    const TSpectrumRow& row = run.spectra()[static_cast<std::size_t>(index)];
    const auto stated = [&](const char* name, double value) {
        json.key(name);
        json.value(value);  // null when the file states nothing (NaN)
    };
    json.beginObject();
    json.key("index");
    json.value(index);
    json.key("id");
    json.value(run.nativeId(index));
    json.key("scan");
    json.value(row.scanNumber);
    json.key("msLevel");
    if (row.msLevel > 0)
        json.value(row.msLevel);
    else
        json.null();
    stated("rtSeconds", row.retentionTime);
    stated("precursorMz", row.precursorMz);
    json.key("charge");
    if (row.precursorCharge != 0)
        json.value(static_cast<int>(row.precursorCharge));
    else
        json.null();
    json.key("points");
    json.value(row.peaksCount);
    json.key("centroided");
    if (row.peakMode == TPeakMode::Unknown)
        json.null();
    else
        json.value(row.peakMode == TPeakMode::Centroid);
    stated("tic", row.totIonCurrent);
    stated("basePeakMz", row.basePeakMz);
    stated("basePeakIntensity", row.basePeakIntensity);
    json.endObject();
}

}  // namespace

int printScanTable(const QString& path, std::ostream& out, std::ostream& err) {
    std::unique_ptr<iRunReader> run;
    std::vector<std::pair<TMessageKind, std::string>> messages;
    try {
        readNamingFile(path, [&] { run = openRun(QFile::encodeName(path).toStdString()); });
        for (const std::string& message : run->messages())
            messages.emplace_back(TMessageKind::Warning, message);
    } catch (const std::exception& e) {
        messages.emplace_back(TMessageKind::Error, e.what());
    }

    std::string text;
    TJsonWriter json(text);
    json.beginObject();
    json.key("file");
    json.value(path);
    json.key("format");
    if (run)
        json.value(run->formatName());
    else
        json.null();
    json.key("indexUsed");
    json.value(run && run->indexUsed());
    // Where the run comes from, as far as its header says.
    const TRunDescription none;
    const TRunDescription& description = run ? run->description() : none;
    json.key("instrument");
    json.value(description.instrument);
    json.key("software");
    json.beginArray();
    for (const std::string& software : description.software) json.value(software);
    json.endArray();
    json.key("startTime");
    json.value(description.startTime);
    json.key("spectra");
    json.beginArray();
    if (run)
        for (int i = 0; i < static_cast<int>(run->spectra().size()); ++i)
            writeSpectrumRow(json, *run, i);
    json.endArray();
    json.key("chromatograms");
    json.beginArray();
    if (run)
        for (int i = 0; i < static_cast<int>(run->chromatograms().size()); ++i) {
            const TChromatogramRow& row = run->chromatograms()[static_cast<std::size_t>(i)];
            json.beginObject();
            json.key("id");
            json.value(run->chromatogramId(i));
            json.key("kind");
            json.value(chromatogramKindText(row.kind));
            json.key("points");
            json.value(row.points);
            json.endObject();
        }
    json.endArray();
    json.key("messages");
    json.beginArray();
    for (const auto& [kind, message] : messages) {
        json.beginObject();
        json.key("kind");
        json.value(messageKindText(kind));
        json.key("text");
        json.value(message);
        json.endObject();
        err << messageKindText(kind) << ": " << message << '\n';
    }
    json.endArray();
    json.endObject();
    text += '\n';
    out << text;
    out.flush();
    return run ? 0 : 1;
}

// Writes picture as a PNG file at path; says on err why it could not.
