// The canvas's line rule: end point left out, ties to the smaller coordinate,
// the same pixels in either direction, clipped work for far-away lines.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "linea_referencia.h"
#include "trazo.h"

namespace {

using Pixel = std::pair<int32_t, int32_t>;

std::vector<Pixel> trazar(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w = 64, int32_t h = 64) {
  std::vector<Pixel> v;
  ventanas::trazar_linea(x0, y0, x1, y1, w, h, [&](int32_t x, int32_t y) { v.emplace_back(x, y); });
  return v;
}

std::vector<Pixel> referencia(int x0, int y0, int x1, int y1) { return linea_referencia(x0, y0, x1, y1); }

struct FilaLinea {
  const char* que;
  int x0, y0, x1, y1;
  std::vector<Pixel> pixeles;
};
void PrintTo(const FilaLinea& f, std::ostream* os) { *os << f.que; }

class Linea : public ::testing::TestWithParam<FilaLinea> {};

TEST_P(Linea, PixelesExactos) {
  const FilaLinea& f = GetParam();
  EXPECT_EQ(trazar(f.x0, f.y0, f.x1, f.y1), f.pixeles) << f.que;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, Linea,
    ::testing::Values(
        FilaLinea{"horizontal, end left out", 2, 3, 6, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        FilaLinea{"horizontal leftwards", 6, 3, 2, 3, {{6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        FilaLinea{"vertical up", 5, 9, 5, 6, {{5, 9}, {5, 8}, {5, 7}}},
        FilaLinea{"diagonal", 1, 1, 4, 4, {{1, 1}, {2, 2}, {3, 3}}},
        FilaLinea{"slope 1/2, ties go up", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        FilaLinea{"slope 1/2 reversed, same inner pixels", 4, 2, 0, 0, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},
        FilaLinea{"steep 2/1, ties go left", 0, 0, 1, 2, {{0, 0}, {0, 1}}},
        FilaLinea{"steep reversed", 1, 2, 0, 0, {{1, 2}, {0, 1}}},
        FilaLinea{"slope 1/3 no tie", 0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}}},
        FilaLinea{"one pixel", 7, 7, 8, 7, {{7, 7}}},
        FilaLinea{"zero length draws nothing", 7, 7, 7, 7, {}},
        FilaLinea{"needle 0 of a gauge at (10,40)", 10, 38, 10, 12,
                  {{10, 38}, {10, 37}, {10, 36}, {10, 35}, {10, 34}, {10, 33}, {10, 32}, {10, 31}, {10, 30},
                   {10, 29}, {10, 28}, {10, 27}, {10, 26}, {10, 25}, {10, 24}, {10, 23}, {10, 22}, {10, 21},
                   {10, 20}, {10, 19}, {10, 18}, {10, 17}, {10, 16}, {10, 15}, {10, 14}, {10, 13}}}),
    [](const auto& info) { return "fila_" + std::to_string(info.index); });

// Every line between points of a small grid, in all eight directions, against
// the rule written out; and the same pixels in both directions apart from the
// two ends.
TEST(Linea, TodasLasDireccionesSiguenLaRegla) {
  for (int x0 = 20; x0 <= 32; ++x0)
    for (int y0 = 20; y0 <= 32; ++y0)
      for (int x1 = 20; x1 <= 32; ++x1)
        for (int y1 = 20; y1 <= 32; ++y1) {
          const auto ida = trazar(x0, y0, x1, y1);
          ASSERT_EQ(ida, referencia(x0, y0, x1, y1)) << x0 << "," << y0 << " -> " << x1 << "," << y1;
          if (ida.empty()) continue;
          std::set<Pixel> a(ida.begin(), ida.end()), b;
          for (const Pixel& p : trazar(x1, y1, x0, y0)) b.insert(p);
          a.erase({x0, y0});
          b.erase({x1, y1});
          ASSERT_EQ(a, b) << x0 << "," << y0 << " <-> " << x1 << "," << y1;
        }
}

TEST(Linea, SoloSeVisitanPixelesDeLaSuperficie) {
  // A line crossing the surface and leaving it on every side.
  for (const auto& l : std::vector<std::vector<int>>{{-10, -5, 80, 70}, {70, -3, -9, 66}, {-4, 30, 90, 31}}) {
    const auto todos = referencia(l[0], l[1], l[2], l[3]);
    std::vector<Pixel> dentro;
    for (const Pixel& p : todos)
      if (p.first >= 0 && p.first < 64 && p.second >= 0 && p.second < 64) dentro.push_back(p);
    EXPECT_EQ(trazar(l[0], l[1], l[2], l[3]), dentro);
  }
  EXPECT_TRUE(trazar(-100, -100, -1, 50).empty());
  EXPECT_TRUE(trazar(0, 0, 10, 10, 0, 64).empty());
}

TEST(Linea, LineasLejanasCuestanLoQueLaSuperficie) {
  const int32_t mil_millones = 1000000000;
  // Exact pixels of very long lines that cross the surface.
  std::vector<Pixel> esperado;
  for (int x = 0; x < 64; ++x) esperado.emplace_back(x, 7);
  EXPECT_EQ(trazar(-mil_millones, 7, mil_millones, 7), esperado);
  esperado.clear();
  for (int i = 0; i < 64; ++i) esperado.emplace_back(i, i);
  EXPECT_EQ(trazar(-mil_millones, -mil_millones, mil_millones, mil_millones), esperado);
  const int32_t mn = std::numeric_limits<int32_t>::min(), mx = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(trazar(mn, mn, mx, mx).size(), 64u);
  // Slope 1/2 through the origin: y = x/2 with ties going up.
  esperado.clear();
  for (int x = 0; x < 64; ++x) esperado.emplace_back(x, x / 2);
  EXPECT_EQ(trazar(-2 * mil_millones, -mil_millones, 2 * mil_millones, mil_millones), esperado);

  // A thousand lines two billion pixels long, most of them missing the
  // surface, take no time to speak of: the work is bounded by the surface.
  const auto inicio = std::chrono::steady_clock::now();
  size_t pixeles = 0;
  for (int k = 0; k < 1000; ++k) {
    ventanas::trazar_linea(-mil_millones, k - 500, mil_millones, 500 - k, 400, 400,
                           [&](int32_t, int32_t) { ++pixeles; });
    ventanas::trazar_linea(k, -mil_millones, k + 3, mil_millones, 400, 400, [&](int32_t, int32_t) { ++pixeles; });
  }
  const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  EXPECT_GT(pixeles, 0u);
  EXPECT_LT(segundos, 2.0);
}

TEST(Rectangulo, SeOrdenaYSeRecorta) {
  const ventanas::Rect r = ventanas::recortar({30, 40, -5, 10}, 20, 35);
  EXPECT_EQ(r.izquierda, 0);
  EXPECT_EQ(r.derecha, 20);
  EXPECT_EQ(r.arriba, 10);
  EXPECT_EQ(r.abajo, 35);
}

}  // namespace
