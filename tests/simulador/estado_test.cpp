// The signal store: start values, toggling, the scroll-bar mapping to the last
// bit, unclamped outputs and out-of-range channels.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <ostream>

#include "estado.h"

namespace {

uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

class Estado : public ::testing::Test {
 protected:
  void SetUp() override { iniciar_estado(); }
};

TEST_F(Estado, TrasIniciarTodoEstaACeroYLosRangosSonMas5Menos5) {
  for (int n = 0; n < 16; ++n) {
    conmutar_DI(n);
    fijar_DO(n, 1);
    fijar_AD(n, 1234);
  }
  fijar_DA(0, 3.0);
  fijar_DA(1, -3.0);
  iniciar_estado();
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(leer_DI(n), 0) << n;
    EXPECT_EQ(leer_DO(n), 0) << n;
    EXPECT_EQ(bits(leer_AD(n)), bits(0.0)) << n;
    EXPECT_EQ(minimo_AD(n), -5.0) << n;
    EXPECT_EQ(maximo_AD(n), 5.0) << n;
  }
  EXPECT_EQ(bits(leer_DA(0)), bits(0.0));
  EXPECT_EQ(bits(leer_DA(1)), bits(0.0));
}

TEST_F(Estado, ConmutarDosVecesVuelveAlPrincipioSinTocarOtrosCanales) {
  conmutar_DI(3);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(leer_DI(n), n == 3 ? 1 : 0) << n;
  conmutar_DI(3);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(leer_DI(n), 0) << n;
}

TEST_F(Estado, FijarDOSoloCambiaSuCanal) {
  fijar_DO(15, 1);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(leer_DO(n), n == 15 ? 1 : 0) << n;
}

// Every stored value to the last bit: a computation in double (or a divisor of
// 10000) differs in the last bits for positions 4999, 5000 and 9998.
struct FilaAD {
  int posicion;
  double valor;
  uint64_t hex;
};
void PrintTo(const FilaAD& f, std::ostream* os) { *os << "position " << f.posicion; }

class EstadoAD : public Estado, public ::testing::WithParamInterface<FilaAD> {};

TEST_P(EstadoAD, ValorGuardadoBitABit) {
  const FilaAD f = GetParam();
  for (int canal : {0, 7, 15}) {
    fijar_AD(canal, f.posicion);
    const double v = leer_AD(canal);
    EXPECT_EQ(bits(v), bits(f.valor)) << "position " << f.posicion << " channel " << canal << ": " << v;
    EXPECT_EQ(bits(v), f.hex) << std::hexfloat << v;
  }
}

INSTANTIATE_TEST_SUITE_P(Tabla, EstadoAD,
                         ::testing::Values(FilaAD{0, -5.0, 0xc014000000000000ull},
                                           FilaAD{1, -4.998999899989999, 0xc013fef9d46ca843ull},
                                           FilaAD{4999, -0.0005000500050005002, 0xbf4062b9357bd6f0ull},
                                           FilaAD{5000, 0.0005000500050004997, 0x3f4062b9357bd6ecull},
                                           FilaAD{9998, 4.998999899989999, 0x4013fef9d46ca843ull},
                                           FilaAD{9999, 5.0, 0x4014000000000000ull}),
                         [](const auto& info) { return "posicion_" + std::to_string(info.param.posicion); });

TEST_F(Estado, NingunaPosicionDaCeroYLaSerieCrece) {
  double anterior = -6.0;
  for (int p = 0; p <= 9999; ++p) {
    fijar_AD(2, p);
    const double v = leer_AD(2);
    EXPECT_NE(v, 0.0) << p;
    EXPECT_GT(v, anterior) << p;
    anterior = v;
  }
}

TEST_F(Estado, LasSalidasAnalogicasNoSeLimitan) {
  fijar_DA(0, 12.5);
  fijar_DA(1, -1e30);
  EXPECT_EQ(leer_DA(0), 12.5);
  EXPECT_EQ(leer_DA(1), -1e30);
  EXPECT_EQ(leer_AD(0), 0.0);
}

// No caller passes a bad channel; the store still gives each one a defined
// result and never writes outside its record.
TEST_F(Estado, CanalesFueraDeRangoNoEscribenYLeenCero) {
  for (int canal : {-1, 16, 1000, -2147483647 - 1}) {
    conmutar_DI(canal);
    fijar_DO(canal, 1);
    fijar_AD(canal, 9999);
    EXPECT_EQ(leer_DI(canal), 0);
    EXPECT_EQ(leer_DO(canal), 0);
    EXPECT_EQ(leer_AD(canal), 0.0);
  }
  for (int canal : {-1, 2, 16}) {
    fijar_DA(canal, 7.0);
    EXPECT_EQ(leer_DA(canal), 0.0);
  }
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(leer_DI(n), 0);
    EXPECT_EQ(leer_DO(n), 0);
    EXPECT_EQ(leer_AD(n), 0.0);
  }
  EXPECT_EQ(leer_DA(0), 0.0);
  EXPECT_EQ(leer_DA(1), 0.0);
}

}  // namespace
