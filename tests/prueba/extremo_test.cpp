// testkalovet against the real simulator kalovet on port 1024: the output
// pattern test lights outputs 0, 2, 4, 6, 8, 9, 13 and 14 on the simulator's
// panel, observed in a picture of the panel's output lamps.
#include "escritorio.h"
#include "simulador_real.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(Extremo, OutputPatternOnThePanel) {
  aplicacion_de_prueba();
  Escritorio escritorio;
  ASSERT_TRUE(escritorio.arrancar());
  QProcess kalovet;
  const QString panel = arrancar_kalovet(kalovet, KALOVET, escritorio);
  ASSERT_FALSE(panel.isEmpty());
  const std::array<int, 16> apagadas{};
  EXPECT_EQ(lamparas_salida(escritorio.imagen(panel)), apagadas);

  QProcess prueba;
  const QString ventana = arrancar_cliente(prueba, TESTKALOVET, escritorio, "^Test Kalovet$");
  ASSERT_FALSE(ventana.isEmpty());
  ASSERT_TRUE(escritorio.pulsar(ventana, 8 + 34, 32 + 8));  // Button2

  const std::array<int, 16> patron{1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0};
  std::array<int, 16> lamparas{};
  EXPECT_TRUE(esperar_hasta([&] { return (lamparas = lamparas_salida(escritorio.imagen(panel))) == patron; }, 5000));
  EXPECT_EQ(lamparas, patron);
  terminar(prueba);
  terminar(kalovet);
}

}  // namespace
