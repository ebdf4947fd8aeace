// Opening a whole run, whichever format its content shows.
#pragma once

#include <memory>
#include <string>

#include "files/RunReader.h"

// The run in the file at path, by its content (not its name): mzXML or mzML, either of them
// gzip-compressed. Throws an ERunError that names the file when it cannot be read or holds no
// run.
std::unique_ptr<iRunReader> openRun(const std::string& path);
