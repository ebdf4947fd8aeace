// Small helpers shared by the test suites.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/FloatPointSortedList.h"

// Failed comparisons of points show coordinates rather than bytes.
inline void PrintTo(const TFloatPointRec& p, std::ostream* os) {
    *os << '(' << p.x << ", " << p.y << ')';
}

// What the peak oracles state of a decoded spectrum, computed as they compute it: the extremes
// and the plain left-to-right sum of the intensities in file order.
struct TPeakSummary {
    double minMz = 0.0;
    double maxMz = 0.0;
    double maxIntensity = 0.0;
    double sum = 0.0;
    bool operator==(const TPeakSummary&) const = default;
};

inline TPeakSummary peakSummary(const std::vector<TFloatPointRec>& peaks) {
    TPeakSummary s;
    if (peaks.empty()) return s;
    s.minMz = s.maxMz = peaks[0].x;
    for (const auto& p : peaks) {
        s.minMz = std::min(s.minMz, p.x);
        s.maxMz = std::max(s.maxMz, p.x);
        s.maxIntensity = std::max(s.maxIntensity, p.y);
        s.sum += p.y;
    }
    return s;
}

inline void PrintTo(const TPeakSummary& s, std::ostream* os) {
    *os << "{m/z " << s.minMz << " to " << s.maxMz << ", top " << s.maxIntensity << ", sum "
        << s.sum << '}';
}

// A list sorted by x holding the points, added one by one.
inline TFloatPointSortedList pointsOf(std::initializer_list<TFloatPointRec> points) {
    TFloatPointSortedList list;
    for (const auto& p : points) list.add(p);
    return list;
}

// The message of the exception f throws, or "<nothing thrown>".
inline std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "<nothing thrown>";
}

// The message of the E that f throws; an exception of another type, or none, says so instead.
template <class E>
std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("<another exception: ") + e.what() + ">";
    }
    return "<nothing thrown>";
}

// The bytes of a file; none when it cannot be read.
inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder under the system's temporary folder, unique to this run (tests of one run may
// go in parallel, and so may two runs), removed with everything in it.
class TTempFolder {
public:
    TTempFolder() : m_path(makeFolder()) {}
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of name in the folder.
    std::filesystem::path file(const std::string& name) const { return m_path / name; }
    // Writes the file name in the folder, holding bytes, and gives its path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const {
        std::ofstream(file(name), std::ios::binary).write(bytes.data(), std::ssize(bytes));
        return file(name);
    }

private:
    static std::filesystem::path makeFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "velmorix-test-XXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error(std::strerror(errno));
        return pattern;
    }

    std::filesystem::path m_path;
};
