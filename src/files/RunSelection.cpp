#include "files/RunSelection.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<int> scanNumber(std::string_view text) {
    text = trimmed(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<TScanList> parseScanList(std::string_view text) {
    TScanList list;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        const std::size_t dash = part.find('-');
        const auto first = scanNumber(part.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : scanNumber(part.substr(dash + 1));
        if (!first || !last || *last < *first) return std::nullopt;
        list.push_back({*first, *last});
        if (comma == std::string_view::npos) return list;
        text.remove_prefix(comma + 1);
    }
}

TRunChoice firstSpectra(const iRunReader& run, int count) {
    TRunChoice choice;
    const int n = std::min(count, static_cast<int>(run.spectra().size()));
    for (int i = 0; i < n; ++i) choice.indices.push_back(i);
    return choice;
}

TRunChoice spectraOfScans(const iRunReader& run, const TScanList& scans) {
    // (scan number, index) sorted by number, file order among equal numbers.
    const auto& rows = run.spectra();
    std::vector<std::pair<int, int>> byScan;
    byScan.reserve(rows.size());
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        byScan.emplace_back(rows[static_cast<std::size_t>(i)].scanNumber, i);
    std::stable_sort(byScan.begin(), byScan.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    TRunChoice choice;
    std::vector<bool> taken(rows.size(), false);
    for (const TScanRange& range : scans) {
        auto at = std::lower_bound(byScan.begin(), byScan.end(), std::pair{range.first, -1});
        bool found = false;
        for (; at != byScan.end() && at->first <= range.last; ++at) {
            found = true;
            if (taken[static_cast<std::size_t>(at->second)]) continue;
            taken[static_cast<std::size_t>(at->second)] = true;
            choice.indices.push_back(at->second);
        }
        if (found) continue;
        if (range.first == range.last)
            choice.missingScans.push_back(range.first);
        else
            choice.emptyRanges.push_back(range);
    }
    return choice;
}

std::string spectrumName(const TSpectrumRow& row) {
    std::string name = "scan " + std::to_string(row.scanNumber);
    if (row.msLevel > 0) {
        name += " \u00b7 MS" + std::to_string(row.msLevel);
        // Some writers state a precursor of 0 for one they do not know.
        if (row.msLevel > 1 && row.hasPrecursor() && row.precursorMz > 0.0) {
            // Two decimals whatever the locale.
            char buffer[32];
            const auto written = std::to_chars(buffer, buffer + sizeof buffer, row.precursorMz,
                                               std::chars_format::fixed, 2);
            name += ' ';
            name.append(buffer, written.ptr);
        }
    }
    return name;
}
