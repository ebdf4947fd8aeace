// Which spectra of a run go into one pane, and what each is called there. No Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/RunReader.h"

// Scan numbers as a user writes them: "5", "5,9", "3-7", "12,3-5"; blanks allowed around the
// parts. Kept as ranges, in the order given, so that "1-1000000" costs nothing until matched.
struct TScanRange {
    int first = 0;
    int last = 0;
    bool operator==(const TScanRange&) const = default;
};
using TScanList = std::vector<TScanRange>;

// nullopt for anything that is not such a list: an empty part, a reversed range ("7-3"), a
// number that is not positive or does not fit.
std::optional<TScanList> parseScanList(std::string_view text);

// The spectra a pane shows of a run.
struct TRunChoice {
    std::vector<int> indices;             // into run.spectra(), in the order to show
    std::vector<int> missingScans;        // single scan numbers asked for that the run lacks
    std::vector<TScanRange> emptyRanges;  // ranges asked for that match no spectrum
};

// The first count spectra in file order.
TRunChoice firstSpectra(const iRunReader& run, int count);
// The spectra whose scan numbers are in scans, in the order the list gives them (a range in
// rising scan numbers; a spectrum asked for twice is shown once, where it was first asked).
TRunChoice spectraOfScans(const iRunReader& run, const TScanList& scans);

// What a series made of a spectrum is called: "scan 5 · MS2 810.79", "scan 1 · MS1", "scan 3"
// when the file gives no MS level, "scan 4 · MS2" when it gives no precursor m/z (or 0).
std::string spectrumName(const TSpectrumRow& row);
