// Opening a whole run, whichever format its content shows.
#pragma once

#include <memory>
#include <string>

#include "files/RunReader.h"

// The run in the file at path, by its content (not its name): mzXML or mzML, either of them
// gzip-compressed. Throws an ERunError that names the file when it cannot be read or holds no
// run. progress is told how far the table has been read (a compressed run: once inflated); the
// open throws ERunCancelled when it gives up.
std::unique_ptr<iRunReader> openRun(const std::string& path, const TRunProgress& progress = {});
