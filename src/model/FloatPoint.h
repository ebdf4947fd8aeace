// The (x, y) point of a spectrum: the plain value record and the small point class.
#pragma once

struct TFloatPointRec {
    double x = 0.0;  // m/z or time
    double y = 0.0;  // abundance

    friend bool operator==(const TFloatPointRec&, const TFloatPointRec&) = default;
};

// A point with the operations every point-like model object shares; ranges build on it
// (x is the lower bound, y the upper bound there).
class TFloatPoint {
public:
    TFloatPoint() = default;
    TFloatPoint(double x, double y) : m_x(x), m_y(y) {}

    TFloatPointRec point() const { return {m_x, m_y}; }
    void setPoint(const TFloatPointRec& p) {
        m_x = p.x;
        m_y = p.y;
    }
    double x() const { return m_x; }
    void setX(double value) { m_x = value; }
    double y() const { return m_y; }
    void setY(double value) { m_y = value; }

    TFloatPoint clone() const { return TFloatPoint(m_x, m_y); }
    void assign(const TFloatPoint& source) {
        m_x = source.m_x;
        m_y = source.m_y;
    }

protected:
    double m_x = 0.0;
    double m_y = 0.0;
};

// The two orders the system sorts points by. The result is a difference of keys, not only
// its sign: searches use its magnitude as a distance.
using TPointCompare = double (*)(const TFloatPointRec&, const TFloatPointRec&);

inline double comparePointX(const TFloatPointRec& a, const TFloatPointRec& b) {
    return a.x - b.x;
}
inline double comparePointY(const TFloatPointRec& a, const TFloatPointRec& b) {
    return a.y - b.y;
}
