// deposito against the real simulator kalovet on port 1024, through a relay
// that counts the messages: four read exchanges and one write exchange per
// tick, and the panel's output lamps show what the controller decided.
#include "escritorio.h"
#include "simulador_real.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(Extremo, DepositoAgainstKalovet) {
  aplicacion_de_prueba();
  Escritorio escritorio;
  ASSERT_TRUE(escritorio.arrancar());
  QProcess kalovet;
  const QString panel = arrancar_kalovet(kalovet, KALOVET, escritorio);
  ASSERT_FALSE(panel.isEmpty());

  Intermediario relevo;
  QProcess deposito;
  const QString ventana = arrancar_cliente(deposito, DEPOSITO, escritorio, "Proyecto Inform",
                                           QString("127.0.0.1:%1").arg(relevo.puerto()));
  ASSERT_FALSE(ventana.isEmpty());
  ASSERT_TRUE(escritorio.pulsar(ventana, 408 + 32, 212 + 12));  // "Arrancar"

  auto escrituras = [&] {
    int n = 0;
    for (const auto& m : relevo.mensajes) n += m != "lectura";
    return n;
  };
  ASSERT_TRUE(esperar_hasta([&] { return escrituras() >= 7; }, 15000));
  // The start's "all off", then per tick four reads and one write.
  ASSERT_GE(relevo.mensajes.size(), 31u);
  EXPECT_EQ(relevo.mensajes[0], "0000000000000000,0.000000,0.000000");
  for (size_t tick = 0; tick < 6; ++tick) {
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(relevo.mensajes[1 + tick * 5 + k], "lectura") << "tick " << tick;
    // Inputs at 0 V: 50 °C and level 4000: pump only.
    EXPECT_EQ(relevo.mensajes[5 + tick * 5], "0000000000000010,0.000000,0.000000") << "tick " << tick;
  }
  std::array<int, 16> lamparas{};
  const std::array<int, 16> solo_bomba{0, 1};
  EXPECT_TRUE(esperar_hasta([&] { return (lamparas = lamparas_salida(escritorio.imagen(panel))) == solo_bomba; }, 5000));
  EXPECT_EQ(lamparas, solo_bomba);

  const size_t antes_de_salir = relevo.mensajes.size();
  ASSERT_TRUE(escritorio.pulsar(ventana, 408 + 32, 244 + 12));  // "Salir"
  ASSERT_TRUE(esperar_hasta([&] { return deposito.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(deposito.exitCode(), 0);
  EXPECT_GT(relevo.mensajes.size(), antes_de_salir);
  EXPECT_EQ(relevo.mensajes.back(), "0000000000000000,0.000000,0.000000");
  const std::array<int, 16> apagadas{};
  EXPECT_TRUE(esperar_hasta([&] { return lamparas_salida(escritorio.imagen(panel)) == apagadas; }, 5000));
  terminar(kalovet);
}

}  // namespace
