// The scan table of a run as the headless mode --scan-table prints it.
#pragma once

#include <QString>

#include <ostream>

// Prints every spectrum and stored chromatogram of the run at path as one JSON object on out,
// and each message of the open on err as well. Returns the exit status: 1 when the run cannot be
// read, else 0.
int printScanTable(const QString& path, std::ostream& out, std::ostream& err);
