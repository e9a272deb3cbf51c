// Pixel rules of the Windows canvas, without Qt, so that they are tested on
// their own (also under the sanitizers).
//
// Lines (1-pixel pen): the pixels from the start point up to the end point,
// the end point itself excluded. Along the major axis (x when |dx| > |dy|,
// otherwise y) every coordinate from the start up to, not including, the end
// gets one pixel; its minor coordinate is the ideal line's value rounded to the
// nearest integer, a tie (exactly half-way) going to the smaller coordinate.
// This is the grid-intersection (diamond) convention of Windows cosmetic
// lines for integer end points: a tie between two pixels one above the other
// lights the upper one, between two side by side the left one. It does not
// depend on the direction in which the line is drawn, apart from which end is
// left out.
//
// Only pixels inside the surface (0 <= x < ancho, 0 <= y < alto) are visited,
// and the work is bounded by the surface size, not by the line's length: a
// line a billion pixels long costs as much as one across the surface.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ventanas {

namespace detalle {

// floor(a / b) for b > 0.
inline __int128 dividir_abajo(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}

}  // namespace detalle

// Calls pixel(x, y) for every pixel of the line (x0, y0)-(x1, y1) that lies on
// the surface, in drawing order. A line whose two ends coincide draws nothing.
template <typename F>
void trazar_linea(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t ancho, int32_t alto, F&& pixel) {
  if (ancho <= 0 || alto <= 0) return;
  const int64_t dx = int64_t{x1} - x0;
  const int64_t dy = int64_t{y1} - y0;
  const int64_t adx = dx < 0 ? -dx : dx;
  const int64_t ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  const bool x_mayor = adx > ady;
  // Major axis: start, step, length, limit of the surface; minor axis: start,
  // signed difference, limit of the surface.
  const int64_t m0 = x_mayor ? x0 : y0;
  const int64_t paso = (x_mayor ? dx : dy) < 0 ? -1 : 1;
  const int64_t largo = x_mayor ? adx : ady;
  const int64_t limite_m = x_mayor ? ancho : alto;
  const int64_t n0 = x_mayor ? y0 : x0;
  const int64_t dn = x_mayor ? dy : dx;
  const int64_t limite_n = x_mayor ? alto : ancho;

  // Steps i in [0, largo) whose major coordinate m0 + paso*i lies in [0, limite_m).
  int64_t i_desde, i_hasta;  // inclusive, exclusive
  if (paso > 0) {
    i_desde = std::max<int64_t>(0, -m0);
    i_hasta = std::min<int64_t>(largo, limite_m - m0);
  } else {
    i_desde = std::max<int64_t>(0, m0 - (limite_m - 1));
    i_hasta = std::min<int64_t>(largo, m0 + 1);
  }
  const __int128 den = __int128{2} * largo;
  for (int64_t i = i_desde; i < i_hasta; ++i) {
    // minor offset = ceil(i*dn/largo - 1/2) = floor((2*i*dn - largo + den - 1) / den)
    const __int128 num = __int128{2} * i * dn - largo;
    const int64_t desv = static_cast<int64_t>(detalle::dividir_abajo(num + den - 1, den));
    const int64_t n = n0 + desv;
    if (n < 0 || n >= limite_n) continue;
    const int64_t m = m0 + paso * i;
    if (x_mayor) pixel(static_cast<int32_t>(m), static_cast<int32_t>(n));
    else pixel(static_cast<int32_t>(n), static_cast<int32_t>(m));
  }
}

// A rectangle in Windows terms: left and top included, right and bottom
// excluded; the corners may come in any order.
struct Rect {
  int32_t izquierda, arriba, derecha, abajo;
};

// The rectangle put in order and cut to the surface (may come out empty:
// derecha <= izquierda or abajo <= arriba).
inline Rect recortar(Rect r, int32_t ancho, int32_t alto) {
  if (r.derecha < r.izquierda) std::swap(r.derecha, r.izquierda);
  if (r.abajo < r.arriba) std::swap(r.abajo, r.arriba);
  r.izquierda = std::max<int32_t>(r.izquierda, 0);
  r.arriba = std::max<int32_t>(r.arriba, 0);
  r.derecha = std::min<int32_t>(r.derecha, ancho);
  r.abajo = std::min<int32_t>(r.abajo, alto);
  return r;
}

}  // namespace ventanas
