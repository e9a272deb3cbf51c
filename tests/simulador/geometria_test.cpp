// Gauge geometry: the worked offsets for radius 48, the needle angle of the
// -15..15 scale, and defined results for values that have no pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometria.h"

namespace {

using medidor::Desplazamiento;
using medidor::angulo_aguja;
using medidor::polar;

struct FilaPolar {
  const char* que;
  double r;
  double a;
  Desplazamiento esperado;
};
void PrintTo(const FilaPolar& f, std::ostream* os) { *os << f.que; }

class Polar : public ::testing::TestWithParam<FilaPolar> {};

TEST_P(Polar, DesplazamientoTruncado) {
  const FilaPolar f = GetParam();
  EXPECT_EQ(polar(f.r, f.a), f.esperado) << f.que << ": got (" << polar(f.r, f.a).dx << ", " << polar(f.r, f.a).dy
                                          << ")";
}

// Radius 48: ticks at 34 and 30, texts at 42, needle at 29.
INSTANTIATE_TEST_SUITE_P(Radio48, Polar,
                         ::testing::Values(FilaPolar{"tick 30 outer", 34, 30, {29, 16}},
                                           FilaPolar{"tick 30 inner", 30, 30, {25, 14}},
                                           FilaPolar{"tick 90 outer", 34, 90, {0, 33}},
                                           FilaPolar{"tick 90 inner", 30, 90, {0, 29}},
                                           FilaPolar{"tick 150 outer", 34, 150, {-29, 17}},
                                           FilaPolar{"tick 150 inner", 30, 150, {-25, 15}},
                                           FilaPolar{"text 15", 42, 30, {36, 20}},
                                           FilaPolar{"text 0", 42, 90, {0, 41}},
                                           FilaPolar{"text -15", 42, 150, {-36, 21}},
                                           FilaPolar{"needle -15", 29, 150, {-25, 14}},
                                           FilaPolar{"needle 0", 29, 90, {0, 28}},
                                           FilaPolar{"needle 2.5", 29, 80, {5, 28}},
                                           FilaPolar{"needle 15", 29, 30, {25, 14}},
                                           FilaPolar{"needle 22.5", 29, 0, {29, 0}},
                                           FilaPolar{"needle -22.5", 29, 180, {-28, 0}},
                                           FilaPolar{"needle 30 (-30 deg)", 29, -30, {25, -14}},
                                           FilaPolar{"needle 60 (-150 deg)", 29, -150, {-25, -14}}));

TEST(AnguloAguja, EscalaMenos15Mas15EsCuatroGradosPorUnidad) {
  EXPECT_EQ(angulo_aguja(-15.0, -15.0, 15.0), 150.0);
  EXPECT_EQ(angulo_aguja(0.0, -15.0, 15.0), 90.0);
  EXPECT_EQ(angulo_aguja(2.5, -15.0, 15.0), 80.0);
  EXPECT_EQ(angulo_aguja(5.0, -15.0, 15.0), 70.0);
  EXPECT_EQ(angulo_aguja(15.0, -15.0, 15.0), 30.0);
  EXPECT_EQ(angulo_aguja(22.5, -15.0, 15.0), 0.0);
  EXPECT_EQ(angulo_aguja(30.0, -15.0, 15.0), -30.0);
  EXPECT_EQ(angulo_aguja(60.0, -15.0, 15.0), -150.0);
  // Other scales follow minimo and maximo: minimo at 150, maximo at 30.
  EXPECT_EQ(angulo_aguja(0.0, 0.0, 10.0), 150.0);
  EXPECT_EQ(angulo_aguja(10.0, 0.0, 10.0), 30.0);
}

// A needle of radius 29 for every value: huge finite values still give an
// offset on the circle; values without an angle give the zero offset.
TEST(Polar, ValoresSinPixelDanDesplazamientoDefinido) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double v : {1e300, -1e300, 1e18, -std::numeric_limits<double>::max()}) {
    const Desplazamiento d = polar(29, angulo_aguja(v, -15.0, 15.0));
    EXPECT_LE(std::abs(d.dx), 29) << v;
    EXPECT_LE(std::abs(d.dy), 29) << v;
  }
  for (double v : {inf, -inf, nan}) EXPECT_EQ(polar(29, angulo_aguja(v, -15.0, 15.0)), (Desplazamiento{0, 0})) << v;
  // A scale with maximo == minimo has no angle either.
  EXPECT_EQ(polar(29, angulo_aguja(1.0, 5.0, 5.0)), (Desplazamiento{0, 0}));
  // Radii far beyond int are held at the limit, keeping their sign.
  EXPECT_EQ(polar(1e300, 0.0), (Desplazamiento{medidor::limite_desplazamiento, 0}));
  EXPECT_EQ(polar(-1e300, 90.0).dy, -medidor::limite_desplazamiento);
  EXPECT_EQ(polar(inf, 0.0), (Desplazamiento{0, 0}));
  EXPECT_EQ(polar(nan, 45.0), (Desplazamiento{0, 0}));
}

}  // namespace
