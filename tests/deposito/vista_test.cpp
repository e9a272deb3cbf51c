// What the plant picture shows: bar heights with their extended-precision
// products, read-out formats, alarm colour and overlays.
#include "vista.h"

#include <gtest/gtest.h>

namespace {

TEST(Vista, BarHeights) {
  const struct {
    double valor;
    int nivel, temperatura;
  } tabla[] = {
      {0.0, 0, 0},
      {49.9, 0, 69},  // level: 0.998 → 0; temperature 49.9 × 1.4 = 69.86 → 69
      {50.0, 1, 69},  // 50 °C is one pixel short of 70
      {25.0, 0, 34},  // 25 °C is one pixel short of 35
      {30.0048828125, 0, 42},
      {99.9755859375, 1, 139},
      {100.0, 2, 139},
      {4000.0, 80, 5599},
      {8000.0, 160, 11199},
      {7998.046875, 159, 11197},
      {-5.0, 0, 0},  // below the scale: no bar
  };
  for (const auto& f : tabla) {
    EXPECT_EQ(altura_nivel(f.valor), f.nivel) << f.valor;
    EXPECT_EQ(altura_temperatura(f.valor), f.temperatura) << f.valor;
  }
  // Multiples of 5 °C come out one pixel short, other whole degrees do not.
  for (int t = 5; t <= 100; t += 5) EXPECT_EQ(altura_temperatura(t), t * 14 / 10 - 1) << t;
  EXPECT_EQ(altura_temperatura(1.0), 1);
  EXPECT_EQ(altura_temperatura(1e300), 1 << 24);
}

TEST(Vista, BarsStandOnTheirBaseLines) {
  EstadoPlanta e;
  e.nivel = 8000;
  e.temperatura = 100;
  Vista v = calcular_vista(e, 0);
  EXPECT_EQ(v.barra_nivel.top, 107);  // the level sensor's mark
  EXPECT_EQ(v.barra_nivel.altura, 160);
  EXPECT_EQ(v.barra_temperatura.top, 168 - 139);
  EXPECT_EQ(v.barra_temperatura.altura, 139);
  e.nivel = 0;
  e.temperatura = 0;
  v = calcular_vista(e, 10);  // the drawing moved down by 10
  EXPECT_EQ(v.barra_nivel.top, 277);
  EXPECT_EQ(v.barra_nivel.altura, 0);
  EXPECT_EQ(v.barra_temperatura.top, 178);
}

TEST(Vista, ReadOutsAndStateTexts) {
  EstadoPlanta e;
  e.temperatura = 50.0;
  e.nivel = 0.0;
  Vista v = calcular_vista(e, 0);
  EXPECT_EQ(v.temperatura, " 50.0");
  EXPECT_EQ(v.nivel, "   0.0");
  EXPECT_EQ(v.rebose, "No hay");
  EXPECT_EQ(v.sobrecal, "No hay");
  EXPECT_EQ(v.bomba, "Parada");
  EXPECT_EQ(v.calentador, "Parado");
  EXPECT_EQ(v.valvula, "Cerrada");
  EXPECT_FALSE(v.alarma);
  EXPECT_FALSE(v.tubos_bomba || v.bomba_visible || v.tubo_valvula || v.valvula_visible || v.llamas);

  e = {29.98046875, 4000.0, 0, 0, 1, 1, 1};
  v = calcular_vista(e, 0);
  EXPECT_EQ(v.temperatura, " 30.0");
  EXPECT_EQ(v.nivel, "4000.0");
  EXPECT_EQ(v.bomba, "Bombeando");
  EXPECT_EQ(v.calentador, "Calentando");
  EXPECT_EQ(v.valvula, "Abierta");
  EXPECT_TRUE(v.tubos_bomba && v.bomba_visible && v.tubo_valvula && v.valvula_visible && v.llamas);

  e = {100.0, 8000.0, 1, 0, 0, 0, 0};
  v = calcular_vista(e, 0);
  EXPECT_EQ(v.temperatura, "100.0");
  EXPECT_EQ(v.nivel, "8000.0");
  EXPECT_EQ(v.rebose, "REBOSANDO");
  EXPECT_TRUE(v.alarma);
  e = {5.25, 6998.046875, 0, 1, 0, 0, 0};
  v = calcular_vista(e, 0);
  EXPECT_EQ(v.temperatura, "  5.2");  // "%5.1f": round half to even of 5.25
  EXPECT_EQ(v.nivel, "6998.0");
  EXPECT_EQ(v.sobrecal, "SOBRECALENTADO");
  EXPECT_TRUE(v.alarma);
  e.sobrecal = 2;  // only 1 is on
  EXPECT_FALSE(calcular_vista(e, 0).alarma);
  EXPECT_EQ(calcular_vista(e, 0).sobrecal, "No hay");
}

}  // namespace
