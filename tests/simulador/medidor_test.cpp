// The output gauge on a real canvas: every worked offset checked on the pixels
// drawn, the needle erased without a trace, values beyond the scale and values
// without an angle.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <set>
#include <string>
#include <utility>

#include "linea_referencia.h"
#include "lienzo.h"
#include "medidor.h"
#include "qt_prueba.h"

namespace {

using namespace ventanas;
using Pixel = std::pair<int, int>;

constexpr int X = 70, Y = 60, R = 48;

class Medidor : public ::testing::Test {
 protected:
  bool con_aplicacion_ = aplicacion_prueba() != nullptr;  // before the canvas

  std::set<Pixel> de_color(TColor color) const {
    std::set<Pixel> s;
    for (int y = 0; y < lienzo.alto(); ++y)
      for (int x = 0; x < lienzo.ancho(); ++x)
        if (lienzo.pixel(x, y) == color) s.insert({x, y});
    return s;
  }
  // The needle's pixels for offset (dx, dy): from (X, Y-2) to (X+dx, Y-dy), end excluded.
  static std::set<Pixel> aguja(int dx, int dy) {
    const auto v = linea_referencia(X, Y - 2, X + dx, Y - dy);
    return {v.begin(), v.end()};
  }

  Lienzo lienzo{140, 120, clWhite};
  Tmedidor120 m{&lienzo, X, Y, R, -15.0, 15.0};
};

TEST_F(Medidor, CajaDelDialSinBordeDerechoNiInferior) {
  EXPECT_EQ(lienzo.pixel(X - R, Y - R), clBlack);
  EXPECT_EQ(lienzo.pixel(X + R - 1, Y - 1), clBlack);
  EXPECT_EQ(lienzo.pixel(X - R + 1, Y - R + 1), clSilver);
  EXPECT_EQ(lienzo.pixel(X + R, Y - 10), clWhite);
  EXPECT_EQ(lienzo.pixel(X - 10, Y), clWhite);
  EXPECT_EQ(lienzo.pixel(X - R - 1, Y - 10), clWhite);
}

// Ticks: from the outer to the inner offset, drawn in black; the inner end
// itself stays silver.
struct Marca {
  int angulo;
  int ox, oy, ix, iy;
};

TEST_F(Medidor, MarcasEnLosDesplazamientosCalculados) {
  for (const Marca& t : {Marca{30, 29, 16, 25, 14}, Marca{90, 0, 33, 0, 29}, Marca{150, -29, 17, -25, 15}}) {
    const auto linea = linea_referencia(X + t.ox, Y - t.oy, X + t.ix, Y - t.iy);
    ASSERT_FALSE(linea.empty());
    for (const Pixel& p : linea) EXPECT_EQ(lienzo.pixel(p.first, p.second), clBlack) << t.angulo;
    EXPECT_EQ(lienzo.pixel(X + t.ix, Y - t.iy), clSilver) << t.angulo << ": end point drawn";
    // The dial is silver just beyond the outer end, along the tick.
    const auto mas_alla = linea_referencia(X + t.ix, Y - t.iy, X + t.ox, Y - t.oy);
    EXPECT_EQ(lienzo.pixel(2 * (X + t.ox) - mas_alla.back().first, 2 * (Y - t.oy) - mas_alla.back().second),
              clSilver)
        << t.angulo;
  }
  // Thirteen ticks: one black pixel on each at radius 32 (from every tick angle).
  for (int a = 30; a <= 150; a += 10) {
    const medidor::Desplazamiento d = medidor::polar(33, a);
    bool negro = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) negro |= lienzo.pixel(X + d.dx + dx, Y - d.dy + dy) == clBlack;
    EXPECT_TRUE(negro) << a;
  }
}

// Texts: the same pixels as the text drawn alone, with its box centred on the
// worked offset.
TEST_F(Medidor, TextosCentradosEnSusDesplazamientos) {
  struct Texto {
    std::string s;
    int dx, dy;
  };
  for (const Texto& t : {Texto{"15", 36, 20}, Texto{"0", 0, 41}, Texto{"-15", -36, 21}}) {
    Lienzo solo(60, 30, clSilver);
    solo.brocha.color = clSilver;
    solo.fuente.tamano = 6;
    solo.fuente.color = clBlack;
    const int w = solo.ancho_texto(t.s), h = solo.alto_texto(t.s);
    solo.texto(0, 0, t.s);
    const int x0 = X + t.dx - w / 2, y0 = Y - t.dy - h / 2;
    int negros = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(lienzo.pixel(x0 + x, y0 + y), solo.pixel(x, y)) << t.s << " at " << x << "," << y;
        negros += solo.pixel(x, y) == clBlack;
      }
    EXPECT_GT(negros, 0) << t.s;
  }
}

struct FilaAguja {
  double valor;
  int dx, dy;
};
void PrintTo(const FilaAguja& f, std::ostream* os) { *os << "value " << f.valor; }

class Aguja : public Medidor, public ::testing::WithParamInterface<FilaAguja> {};

// After each move the blue pixels are exactly the new needle: the old one was
// redrawn in silver without a trace, and the end point is not drawn.
TEST_P(Aguja, SoloLaAgujaNuevaEsAzul) {
  const FilaAguja f = GetParam();
  EXPECT_EQ(de_color(clBlue), aguja(0, 28)) << "new gauge: upright needle";
  for (double antes : {15.0, -15.0, 7.0}) {
    m.poner_valor(antes);
    m.poner_valor(f.valor);
    EXPECT_EQ(de_color(clBlue), aguja(f.dx, f.dy)) << f.valor << " after " << antes;
    EXPECT_NE(lienzo.pixel(X + f.dx, Y - f.dy), clBlue);
    EXPECT_EQ(m.valor_actual(), f.valor);
  }
}

INSTANTIATE_TEST_SUITE_P(Trabajados, Aguja,
                         ::testing::Values(FilaAguja{-15.0, -25, 14}, FilaAguja{0.0, 0, 28}, FilaAguja{2.5, 5, 28},
                                           FilaAguja{15.0, 25, 14}, FilaAguja{22.5, 29, 0}),
                         [](const auto& info) { return "fila_" + std::to_string(info.index); });

TEST_F(Medidor, QuinceYMenosQuinceNoDejanRastro) {
  m.poner_valor(15);
  const std::set<Pixel> primera = aguja(25, 14);
  m.poner_valor(-15);
  EXPECT_EQ(de_color(clBlue), aguja(-25, 14));
  for (const Pixel& p : primera)
    if (!aguja(-25, 14).count(p)) EXPECT_EQ(lienzo.pixel(p.first, p.second), clSilver) << p.first << "," << p.second;
}

TEST_F(Medidor, FueraDeEscalaLaAgujaSaleDelDialYSeBorraEnPlata) {
  m.poner_valor(60);  // -150 degrees: down to the left, below the pivot line
  const std::set<Pixel> fuera = aguja(-25, -14);
  EXPECT_EQ(de_color(clBlue), fuera);
  m.poner_valor(0);
  EXPECT_EQ(de_color(clBlue), aguja(0, 28));
  // Below the pivot line (outside the dial) the erased needle stays silver on
  // the white canvas until the next complete drawing.
  int plata_fuera = 0;
  for (const Pixel& p : fuera)
    if (p.second >= Y) {
      EXPECT_EQ(lienzo.pixel(p.first, p.second), clSilver);
      ++plata_fuera;
    }
  EXPECT_GT(plata_fuera, 5);
  lienzo.llenar(clWhite);
  m.dibujar();
  for (const Pixel& p : fuera)
    if (p.second >= Y) EXPECT_EQ(lienzo.pixel(p.first, p.second), clWhite);
}

TEST_F(Medidor, DibujarConValorCincoPoneLaAgujaASetentaGrados) {
  m.poner_valor(5.0);
  lienzo.llenar(clWhite);
  m.dibujar();
  const medidor::Desplazamiento d = medidor::polar(29, 70);
  EXPECT_EQ(de_color(clBlue), aguja(d.dx, d.dy));
  EXPECT_EQ(lienzo.pixel(X - R, Y - R), clBlack);
}

// Values without a place on the scale return at once; infinite and NaN values
// draw the zero offset, a 2-pixel stub above the pivot; every needle is erased
// by the next value.
TEST_F(Medidor, ValoresEnormesONoFinitos) {
  const double inf = std::numeric_limits<double>::infinity();
  const auto inicio = std::chrono::steady_clock::now();
  for (double v : {1e300, -1e300, inf, -inf, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::max()}) {
    m.poner_valor(v);
    const std::set<Pixel> azul = de_color(clBlue);
    EXPECT_LE(azul.size(), 30u) << v;
    for (const Pixel& p : azul) {
      EXPECT_LE(std::abs(p.first - X), 29) << v;
      EXPECT_LE(std::abs(p.second - (Y - 2)), 31) << v;
    }
    if (!std::isfinite(v)) EXPECT_EQ(azul, (std::set<Pixel>{{X, Y - 2}, {X, Y - 1}})) << v;
    m.poner_valor(0.0);
    EXPECT_EQ(de_color(clBlue), aguja(0, 28)) << v;
  }
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count(), 2.0);
}

}  // namespace
