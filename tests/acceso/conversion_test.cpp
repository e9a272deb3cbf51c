// The emulation's arithmetic and texts, without any library.
#include "conversion.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>

using namespace acceso;

namespace {

Rango rango(int codigo) {
  Rango r{};
  EXPECT_TRUE(rango_AD(codigo, r)) << codigo;
  return r;
}

}  // namespace

TEST(Conversion, RangeTableAndCodesOutsideIt) {
  const struct {
    int codigo;
    double minimo, maximo;
  } tabla[] = {{0, -5.0, 5.0},   {1, -2.5, 2.5}, {2, -1.25, 1.25}, {3, -0.625, 0.625}, {4, 0.0, 10.0},
               {5, 0.0, 5.0},    {6, 0.0, 2.5},  {7, 0.0, 1.25},   {8, -10.0, 10.0}};
  for (const auto& f : tabla) {
    const Rango r = rango(f.codigo);
    EXPECT_EQ(r.minimo, f.minimo) << f.codigo;
    EXPECT_EQ(r.maximo, f.maximo) << f.codigo;
  }
  for (int malo : {9, -1, 15, std::numeric_limits<int>::min()}) {
    Rango r{1.0, 2.0};
    EXPECT_FALSE(rango_AD(malo, r)) << malo;
    EXPECT_EQ(r.minimo, 1.0);
    EXPECT_EQ(r.maximo, 2.0);
  }
}

TEST(Conversion, AdCodeIsTruncatedAndNotLimited) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* caso;
    int rango;
    double voltios;
    int32_t codigo;
  } tabla[] = {
      {"mid-scale", 0, 0.0, 2048},
      {"quarter above", 0, 1.25, 2560},
      {"minimum", 0, -5.0, 0},
      {"maximum gives 4096", 0, 5.0, 4096},
      {"above the maximum", 0, 6.0, 4505},
      {"below the minimum by less than a step", 0, -5.001, 0},
      {"below the minimum", 0, -6.0, -409},
      {"-2.0 V truncates 1228.8", 0, -2.0, 1228},
      {"range 4: 5 V is mid-scale", 4, 5.0, 2048},
      {"range 8 maximum", 8, 10.0, 4096},
      {"range 3 maximum", 3, 0.625, 4096},
      {"not a number", 0, std::nan(""), 0},
      {"far above saturates", 0, 1e300, std::numeric_limits<int32_t>::max()},
      {"far below saturates", 0, -inf, std::numeric_limits<int32_t>::min()},
  };
  for (const auto& f : tabla) EXPECT_EQ(codigo_AD(f.voltios, rango(f.rango)), f.codigo) << f.caso;
}

TEST(Conversion, AdDataWordPutsCodeAboveChannel) {
  EXPECT_EQ(palabra_AD(2048, 0), 32768);
  EXPECT_EQ(palabra_AD(2048, 7), 32775);
  EXPECT_EQ(palabra_AD(4096, 3), 65536 + 3);
  EXPECT_EQ(palabra_AD(-409, 0), -409 * 16);
  EXPECT_LT(palabra_AD(-1, 15), 0);
  EXPECT_EQ(palabra_AD(-1, 15), -1);
}

TEST(Conversion, DaVoltsFromUnsignedCode) {
  EXPECT_EQ(voltios_de_codigo_DA(0), 0.0);
  EXPECT_EQ(voltios_de_codigo_DA(2048), 2.5);
  EXPECT_EQ(voltios_de_codigo_DA(4095), 4.998779296875);
  EXPECT_EQ(voltios_de_codigo_DA(4096), 5.0);
  EXPECT_EQ(voltios_de_codigo_DA(3210), 5.0 * 3210 / 4096);
  // A negative int handed to the card call is a large unsigned code.
  EXPECT_EQ(voltios_de_codigo_DA(static_cast<uint32_t>(-1)), 5.0 * 4294967295.0 / 4096);
}

TEST(Conversion, WriteMessageOutputsFromBit15Down) {
  auto imagen = [](unsigned v) {
    std::array<int, 16> a{};
    for (int k = 0; k < 16; ++k) a[k] = (v >> k) & 1;
    return a;
  };
  EXPECT_EQ(componer_escritura(imagen(0x8001), 0.0, 0.0), "1000000000000001,0.000000,0.000000");
  EXPECT_EQ(componer_escritura(imagen(5), 0.0, 2.5), "0000000000000101,0.000000,2.500000");
  EXPECT_EQ(componer_escritura(imagen(0x6355), 5.0, -1.0), "0110001101010101,5.000000,-1.000000");
  EXPECT_EQ(componer_escritura(imagen(0), 5.0 * 4294967295.0 / 4096, 0.0),
            "0000000000000000,5242879.998779,0.000000");
}

TEST(Conversion, StateReplyReading) {
  const struct {
    const char* caso;
    const char* respuesta;  // nullptr: a null reply
    unsigned palabra_DI;
    std::array<double, 4> primeros_AD;  // AD0..AD3 after reading; AD15 checked below
    double ad15;
  } tabla[] = {
      {"input 0 first", "1000000000000000,1.0,2.0,3.0,4.0,0,0,0,0,0,0,0,0,0,0,0,15.5", 0x0001, {1, 2, 3, 4}, 15.5},
      {"input 15 last", "0000000000000001,-5.000000,5.000000,0,0,0,0,0,0,0,0,0,0,0,0,0,-0.5", 0x8000, {-5, 5, 0, 0}, -0.5},
      {"only \"1\" is on", "2x1111111111111Y,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0", 0x7FFC, {0, 0, 0, 0}, 0},
      {"short reply", "11", 0x0003, {9, 9, 9, 9}, 9},
      {"empty reply", "", 0, {9, 9, 9, 9}, 9},
      {"null reply", nullptr, 0, {9, 9, 9, 9}, 9},
      {"stops at the first bad value", "1111111111111111,1.5,2.5,abc,4,5", 0xFFFF, {1.5, 2.5, 9, 9}, 9},
      {"field longer than 16", "11111111111111111,1,2", 0xFFFF, {9, 9, 9, 9}, 9},
      {"exponent and blanks", "0000000000000000, 1e0,-2.5E0,+3,0x1p2", 0, {1, -2.5, 3, 4}, 9},
  };
  for (const auto& f : tabla) {
    std::array<int, 16> di;
    di.fill(7);
    std::array<double, 16> ad;
    ad.fill(9.0);
    leer_estado(f.respuesta, di, ad);
    unsigned palabra = 0;
    for (int k = 0; k < 16; ++k) {
      EXPECT_TRUE(di[k] == 0 || di[k] == 1) << f.caso;
      palabra |= static_cast<unsigned>(di[k]) << k;
    }
    EXPECT_EQ(palabra, f.palabra_DI) << f.caso;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ad[k], f.primeros_AD[k]) << f.caso << " AD" << k;
    EXPECT_EQ(ad[15], f.ad15) << f.caso;
  }
}

TEST(Conversion, DecimalPointWhateverTheLocale) {
  ASSERT_NE(std::setlocale(LC_ALL, "es_ES.UTF-8"), nullptr) << "es_ES.UTF-8 locale not available";
  std::array<int, 16> di{};
  std::array<double, 16> ad{};
  leer_estado("0000000000000000,1.500000,-2.250000,0,0,0,0,0,0,0,0,0,0,0,0,0,0", di, ad);
  const std::string texto = componer_escritura(di, ad[0], ad[1]);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(ad[0], 1.5);
  EXPECT_EQ(ad[1], -2.25);
  EXPECT_EQ(texto, "0000000000000000,1.500000,-2.250000");
}
