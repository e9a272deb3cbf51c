// The Windows 1-pixel line rule written out plainly with floating point, for
// short lines in tests: every major coordinate from the start up to the end
// (excluded), the minor coordinate of the ideal line rounded to nearest with
// ties going to the smaller value.
#pragma once

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

inline std::vector<std::pair<int, int>> linea_referencia(int x0, int y0, int x1, int y1) {
  std::vector<std::pair<int, int>> v;
  const int dx = x1 - x0, dy = y1 - y0;
  const bool x_mayor = std::abs(dx) > std::abs(dy);
  const int largo = x_mayor ? std::abs(dx) : std::abs(dy);
  for (int i = 0; i < largo; ++i) {
    // i*d/largo is exact whenever it is a half, so ties are seen as ties.
    if (x_mayor)
      v.emplace_back(x0 + (dx > 0 ? i : -i), static_cast<int>(std::ceil(y0 + static_cast<double>(i * dy) / largo - 0.5)));
    else
      v.emplace_back(static_cast<int>(std::ceil(x0 + static_cast<double>(i * dx) / largo - 0.5)), y0 + (dy > 0 ? i : -i));
  }
  return v;
}
