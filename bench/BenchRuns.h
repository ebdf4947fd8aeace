// The generated runs of some 500 MB that several benchmarks read, made from the spectra of a real
// run in the temporary folder and kept there for later runs of the program.
#pragma once

#include <optional>
#include <string>

// The path of the run of that name ("ms1": MS1-heavy, "dda": data-dependent, "ms1-noindex": ms1
// without its index), made on first use in this process; nullopt (with the reason in error)
// when it cannot be made.
std::optional<std::string> benchRunPath(const std::string& name, std::string& error);
