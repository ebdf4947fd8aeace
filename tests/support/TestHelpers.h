// Small helpers shared by the test suites.
#pragma once

#include <exception>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>

#include "model/FloatPointSortedList.h"

// Failed comparisons of points show coordinates rather than bytes.
inline void PrintTo(const TFloatPointRec& p, std::ostream* os) {
    *os << '(' << p.x << ", " << p.y << ')';
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
