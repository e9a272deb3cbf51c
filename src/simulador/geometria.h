// Geometry of the output gauge (Tmedidor120), kept apart from any drawing so
// that it can be tested on its own. Angles are in degrees, counter-clockwise
// from the positive x axis; the point at radius r and angle a of a gauge with
// pivot (x, y) is (x + dx, y - dy) with (dx, dy) = polar(r, a).
#pragma once

#include <cstdint>

namespace medidor {

struct Desplazamiento {
  int32_t dx;
  int32_t dy;
  bool operator==(const Desplazamiento&) const = default;
};

// pi is taken as 3.141592, so a degree is 0.01745328888888889 rad; both
// offsets are truncated toward zero. A point straight up at radius 34 is
// therefore (0, 33).
//
// Values that have no pixel (an angle or radius that is infinite or NaN) give
// the offset 0; finite offsets beyond +-1e9 are held at +-1e9, so the point
// stays far outside any window but within int range.
Desplazamiento polar(double r, double a);

// Needle angle of value v on a scale minimo..maximo spanning 120 degrees:
// minimo at 150, maximo at 30, no clamping. maximo == minimo gives a
// non-finite angle, which polar turns into a zero offset.
double angulo_aguja(double v, double minimo, double maximo);

// Offset limit used by polar.
inline constexpr int32_t limite_desplazamiento = 1000000000;

}  // namespace medidor
