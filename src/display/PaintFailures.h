// Failures of painting and event handling turned into message texts: nothing may escape into
// Qt's event loop, and the user hears of each failure once.
#pragma once

#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "model/Range.h"

// Appends text unless messages holds it already.
inline void addUnique(std::vector<std::string>& messages, std::string text) {
    if (std::find(messages.begin(), messages.end(), text) == messages.end())
        messages.push_back(std::move(text));
}

// Runs work; an exception becomes a message. Returns whether work ran to its end.
template <class F>
bool collecting(std::vector<std::string>& messages, F&& work) noexcept {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        try {
            addUnique(messages, e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            addUnique(messages, "Unknown error");
        } catch (...) {
        }
    }
    return false;
}

// While alive, failed range conversions are collected instead of going to the program's
// hook, which might show a dialog in the middle of an event.
class TRangeErrorCollector {
public:
    explicit TRangeErrorCollector(std::vector<std::string>& messages)
        : m_previous(rangeErrorHook()) {
        setRangeErrorHook([&messages](const std::string& text) { addUnique(messages, text); });
    }
    ~TRangeErrorCollector() { setRangeErrorHook(std::move(m_previous)); }
    TRangeErrorCollector(const TRangeErrorCollector&) = delete;
    TRangeErrorCollector& operator=(const TRangeErrorCollector&) = delete;

private:
    TRangeErrorHook m_previous;
};
