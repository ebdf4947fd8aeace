#include "files/RunReader.h"

#include <stdexcept>

std::string iRunReader::chromatogramId(int index) const {
    throw std::out_of_range("no chromatogram " + std::to_string(index));
}

std::vector<TFloatPointRec> iRunReader::loadChromatogram(int index) const {
    throw std::out_of_range("no chromatogram " + std::to_string(index));
}
