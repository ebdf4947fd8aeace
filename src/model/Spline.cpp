// The cubic spline of a point list and its mean point spacing.
#include <bit>
#include <cmath>
#include <cstdint>

#include "model/FloatPointSortedList.h"
#include "model/ModelErrors.h"

namespace {

// C++ does not trap on a division by zero: the divisors that the recurrence divides by are
// checked, so that a caller sees the error instead of infinities.
long double divide(long double a, long double b) {
    if (b == 0.0L) throw EMathError("Floating point division by zero");
    return a / b;
}

}  // namespace

void TFloatPointSortedList::spline(double yp1, double ypn) {
    const std::size_t n = m_items.size();
    m_secondDerivatives.clear();
    m_splineMemo.reset();
    std::vector<double> y2(n, 0.0);
    if (n <= 1) {
        m_secondDerivatives = std::move(y2);
        m_splineMemo = TSplineMemo{revision(), yp1, ypn, true};
        return;
    }
    auto X = [&](std::size_t i) -> long double { return m_items[i].x; };
    auto Y = [&](std::size_t i) -> long double { return m_items[i].y; };
    std::vector<long double> u(n - 1, 0.0L);
    std::vector<long double> d2(n, 0.0L);
    if (yp1 > 0.99e30) {
        d2[0] = 0.0L;
        u[0] = 0.0L;
    } else {
        const long double h = X(1) - X(0);
        d2[0] = -0.5L;
        u[0] = divide(3.0L, h) * (divide(Y(1) - Y(0), h) - yp1);
    }
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const long double sig = divide(X(i) - X(i - 1), X(i + 1) - X(i - 1));
        const long double p = sig * d2[i - 1] + 2.0L;
        d2[i] = divide(sig - 1.0L, p);
        u[i] = divide(Y(i + 1) - Y(i), X(i + 1) - X(i)) - divide(Y(i) - Y(i - 1), X(i) - X(i - 1));
        u[i] = divide(6.0L * u[i] / (X(i + 1) - X(i - 1)) - sig * u[i - 1], p);
    }
    long double qn = 0.0L;
    long double un = 0.0L;
    if (!(ypn > 0.99e30)) {
        const long double h = X(n - 1) - X(n - 2);
        qn = 0.5L;
        un = divide(3.0L, h) * (ypn - divide(Y(n - 1) - Y(n - 2), h));
    }
    d2[n - 1] = divide(un - qn * u[n - 2], qn * d2[n - 2] + 1.0L);
    for (std::size_t k = n - 1; k-- > 0;) d2[k] = d2[k] * d2[k + 1] + u[k];
    for (std::size_t i = 0; i < n; ++i) y2[i] = static_cast<double>(d2[i]);
    m_secondDerivatives = std::move(y2);
    m_splineMemo = TSplineMemo{revision(), yp1, ypn, true};
}

bool TFloatPointSortedList::trySpline(double yp1, double ypn) {
    // The slopes compare by their bits, so that asking again with the same NaN also matches.
    const auto same = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    if (m_splineMemo && m_splineMemo->revision == revision() && same(m_splineMemo->yp1, yp1) &&
        same(m_splineMemo->ypn, ypn))
        return m_splineMemo->done;
    try {
        spline(yp1, ypn);
    } catch (const EMathError&) {
        m_splineMemo = TSplineMemo{revision(), yp1, ypn, false};
    }
    return m_splineMemo->done;
}

double TFloatPointSortedList::splint(double x) {
    // Second derivatives of another number of points belong to points since changed; reading
    // them would run past their end, so they are computed afresh.
    if (m_secondDerivatives.empty() || m_secondDerivatives.size() != m_items.size())
        spline(0.0, 0.0);
    int lo = 0;
    int hi = count() - 1;
    while (hi - lo > 1) {
        const int k = (hi + lo) / 2;
        if (m_items[static_cast<std::size_t>(k)].x > x)
            hi = k;
        else
            lo = k;
    }
    const long double h = static_cast<long double>(get(hi).x) - get(lo).x;
    if (h == 0.0L) throw EMathError("Bad xa input to routine splint");
    const auto l = static_cast<std::size_t>(lo);
    const auto r = static_cast<std::size_t>(hi);
    const long double a = (m_items[r].x - static_cast<long double>(x)) / h;
    const long double b = (x - static_cast<long double>(m_items[l].x)) / h;
    const long double value =
        a * m_items[l].y + b * m_items[r].y +
        ((a * a * a - a) * m_secondDerivatives[l] + (b * b * b - b) * m_secondDerivatives[r]) *
            (h * h) / 6.0L;
    return static_cast<double>(value);
}

double TFloatPointSortedList::meanStep() {
    // Kept from the first call on: the points' summary sums the steps below 1.
    if (m_meanStepCache < 0.0) m_meanStepCache = summary().meanStep;
    return m_meanStepCache;
}
