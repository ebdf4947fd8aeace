// Small helpers shared by the test suites.
#pragma once

#include <exception>
#include <functional>
#include <initializer_list>
#include <string>

#include "model/FloatPointSortedList.h"

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
