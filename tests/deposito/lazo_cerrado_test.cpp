// The real deposito, in simulator mode, controlling the test plant over the
// simulator's TCP protocol for a simulated minute (120 ticks of 500 ms),
// then with the overflow switch turned on, then "Salir".
#include "escritorio.h"
#include "planta_prueba.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(LazoCerrado, DepositoControlsTheTestPlant) {
  aplicacion_de_prueba();
  Escritorio escritorio;
  ASSERT_TRUE(escritorio.arrancar());
  PlantaPrueba planta(6000, 20);
  ASSERT_NE(planta.puerto(), 0);

  QProcess deposito;
  const QString ventana = arrancar_cliente(deposito, DEPOSITO, escritorio, "Proyecto Inform",
                                           QString("127.0.0.1:%1").arg(planta.puerto()));
  ASSERT_FALSE(ventana.isEmpty());
  EXPECT_TRUE(planta.escrituras.empty());  // nothing before "Arrancar"

  ASSERT_TRUE(escritorio.pulsar(ventana, 408 + 32, 212 + 12));  // "Arrancar"
  ASSERT_TRUE(esperar_hasta([&] { return planta.escrituras.size() >= 121; }, 90000))
      << planta.escrituras.size() << " writes";

  // The first write is the start's "all off"; then one write per tick.
  EXPECT_EQ(planta.escrituras[0].mensaje, "0000000000000000,0.000000,0.000000");
  double nivel_maximo = 0;
  bool llego_a_7000 = false;
  int primera_en_banda = -1;
  for (size_t i = 1; i <= 120; ++i) {
    const auto& t = planta.escrituras[i];
    EXPECT_EQ(t.lecturas_antes, 4) << "tick " << i;  // four read exchanges, one write per tick
    EXPECT_EQ(t.mensaje.substr(0, 13), "0000000000000") << "tick " << i;
    EXPECT_EQ(t.mensaje.substr(16), ",0.000000,0.000000") << "tick " << i;
    nivel_maximo = std::max(nivel_maximo, t.nivel);
    if (t.nivel >= 7000) {
      llego_a_7000 = true;
      EXPECT_EQ(t.mensaje[14], '0') << "pump on at level " << t.nivel << ", tick " << i;
    }
    const bool en_banda = t.temperatura >= 25 && t.temperatura <= 35;
    if (en_banda && primera_en_banda < 0) primera_en_banda = static_cast<int>(i);
    if (primera_en_banda > 0) EXPECT_TRUE(en_banda) << t.temperatura << " °C at tick " << i;
  }
  std::printf("highest level read %.1f; temperature in 25..35 from tick %d on; %.1f °C after 120 ticks\n",
              nivel_maximo, primera_en_banda, planta.temperatura);
  EXPECT_GT(planta.escrituras[120].ms - planta.escrituras[1].ms, 119 * 500 - 2000);  // a minute of 500 ms ticks
  EXPECT_TRUE(llego_a_7000);
  // The level read never passes 7000 by more than one tick's inflow.
  EXPECT_LT(nivel_maximo, 7000 + PlantaPrueba::kEntradaBomba);
  EXPECT_GT(primera_en_banda, 0);
  EXPECT_GE(planta.temperatura, 25);
  EXPECT_LE(planta.temperatura, 35);

  // Overflow switch on just after a tick: the next tick switches all off.
  planta.entradas_DI = 2;
  const size_t n = planta.escrituras.size();
  ASSERT_TRUE(esperar_hasta([&] { return planta.escrituras.size() > n; }, 3000));
  EXPECT_EQ(planta.escrituras[n].mensaje, "0000000000000000,0.000000,0.000000");
  EXPECT_EQ(planta.bomba + planta.calentador + planta.valvula, 0);
  EXPECT_LE(planta.escrituras[n].ms - planta.escrituras[n - 1].ms, 1000);

  // "Salir": all outputs off, and the program ends. The switch goes off first,
  // so that the ticks before "Salir" write outputs on again.
  planta.entradas_DI = 0;
  ASSERT_TRUE(esperar_hasta([&] { return planta.escrituras.back().mensaje[14] == '1'; }, 3000));
  const size_t antes_de_salir = planta.escrituras.size();
  ASSERT_TRUE(escritorio.pulsar(ventana, 408 + 32, 244 + 12));
  ASSERT_TRUE(esperar_hasta([&] { return deposito.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(deposito.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(deposito.exitCode(), 0);
  EXPECT_GT(planta.escrituras.size(), antes_de_salir);
  EXPECT_EQ(planta.escrituras.back().mensaje, "0000000000000000,0.000000,0.000000");
  EXPECT_EQ(planta.escrituras.back().lecturas_antes, 0);  // "Salir" reads nothing
}

}  // namespace
