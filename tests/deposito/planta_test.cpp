// The tank controller's logic: sensor conversions, control rules, the output
// word, and whole ticks through the access layer in simulator mode (against
// the recording client library) and in card mode (virtual card).
#include "acceso.h"
#include "falso_kalovet.h"
#include "planta.h"
#include "plataforma_acceso.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(Conversiones, CodesToDegreesAndLevel) {
  const struct {
    int32_t codigo;
    double grados, nivel;
  } tabla[] = {
      {0, 0.0, 0.0},
      {1024, 25.0, 2000.0},
      {1228, 29.98046875, 2398.4375},
      {1229, 30.0048828125, 2400.390625},
      {1433, 34.9853515625, 2798.828125},
      {1434, 35.009765625, 2800.78125},
      {2048, 50.0, 4000.0},
      {3583, 87.4755859375, 6998.046875},
      {3584, 87.5, 7000.0},
      {4095, 99.9755859375, 7998.046875},
      {4096, 100.0, 8000.0},
      {-409, -9.98535156250, -798.828125},
  };
  for (const auto& f : tabla) {
    for (int32_t canal : {0, 1, 15}) {  // the channel bits do not count
      const int32_t palabra = static_cast<int32_t>(static_cast<uint32_t>(f.codigo) << 4) | canal;
      EXPECT_EQ(temperatura_de_palabra(palabra), f.grados) << f.codigo;
      EXPECT_EQ(nivel_de_palabra(palabra), f.nivel) << f.codigo;
    }
  }
}

TEST(Reglas, PumpHeaterAndValve) {
  const struct {
    const char* caso;
    double t, l;
    int rebose, sobrecal;
    int valvula, bomba, calentador;
  } tabla[] = {
      {"level 7000 (code 3584) stops the pump", 50, 7000.0, 0, 0, 0, 0, 0},
      {"level 6998.046875 (code 3583) pumps", 50, 6998.046875, 0, 0, 0, 1, 0},
      {"29.98046875 (code 1228) heats", 29.98046875, 100, 0, 0, 1, 1, 1},
      {"30.0048828125 (code 1229) does not", 30.0048828125, 100, 0, 0, 1, 1, 0},
      {"exactly 30 does not heat", 30.0, 100, 0, 0, 1, 1, 0},
      {"25.0 (code 1024) opens the valve", 25.0, 1, 0, 0, 1, 1, 1},
      {"34.9853515625 (code 1433) open", 34.9853515625, 100, 0, 0, 1, 1, 0},
      {"35.0 open", 35.0, 100, 0, 0, 1, 1, 0},
      {"35.009765625 (code 1434) closed", 35.009765625, 100, 0, 0, 0, 1, 0},
      {"24.9 closed", 24.9, 100, 0, 0, 0, 1, 1},
      {"level 0 keeps the valve closed", 30.0, 0.0, 0, 0, 0, 1, 0},
      {"overflow stops everything", 20, 100, 1, 0, 0, 0, 0},
      {"overheat stops everything", 30, 100, 0, 1, 0, 0, 0},
      {"both alarms", 30, 100, 1, 1, 0, 0, 0},
      {"an alarm value other than 1 is no alarm", 30, 100, 2, -1, 1, 1, 0},
  };
  for (const auto& f : tabla) {
    reiniciar_planta_para_pruebas();
    set_valvula(7);  // whatever the last tick decided
    set_bomba(7);
    set_calentador(7);
    set_temperatura(f.t);
    set_nivel(f.l);
    set_rebose(f.rebose);
    set_sobrecal(f.sobrecal);
    aplicar_control();
    EXPECT_EQ(get_valvula(), f.valvula) << f.caso;
    EXPECT_EQ(get_bomba(), f.bomba) << f.caso;
    EXPECT_EQ(get_calentador(), f.calentador) << f.caso;
  }
}

TEST(Reglas, OutputWordKeepsOnlyItsThreeBits) {
  reiniciar_planta_para_pruebas();
  palabra_DO = 0x70F0;  // other bits are never touched
  set_valvula(1);
  set_bomba(0);
  set_calentador(5);
  acceso::reiniciar_para_pruebas();  // card mode, card not opened: the call fails, harmlessly
  escribir_actuadores();
  EXPECT_EQ(palabra_DO, 0x70F5);
  set_valvula(0);
  set_bomba(1);
  set_calentador(0);
  escribir_actuadores();
  EXPECT_EQ(palabra_DO, 0x70F2);
}

// --- whole ticks -------------------------------------------------------

struct Fin {
  int estado;
};
acceso::Respuesta responder_si(const char*, const char*) { return acceso::Respuesta::Si; }
void terminar(int e) { throw Fin{e}; }

std::string respuesta(const char* entradas, double ad0, double ad1) {
  char texto[256];
  std::snprintf(texto, sizeof texto, "%s,%f,%f,0,0,0,0,0,0,0,0,0,0,0,0,0,0", entradas, ad0, ad1);
  return texto;
}

int refrescos = 0;
void contar_refresco() { ++refrescos; }

class Ciclo : public testing::Test {
 protected:
  void SetUp() override {
    falso_reiniciar();
    acceso::reiniciar_para_pruebas();
    acceso::fijar_plataforma({responder_si, nullptr, terminar});
    reiniciar_planta_para_pruebas();
    refrescos = 0;
    fijar_refresco(contar_refresco);
  }
  void TearDown() override { fijar_refresco(nullptr); }
  FalsoKalovet& lib = falso_kalovet();
};

TEST_F(Ciclo, StartTickAndStopInSimulatorMode) {
  iniciar_planta();
  EXPECT_EQ(modo_simulador, 1);
  ASSERT_EQ(lib.enviados.size(), 1u);
  EXPECT_EQ(lib.enviados[0], "0000000000000000,0.000000,0.000000");

  // −2.0 V on the temperature input: code 1228, 29.98046875 °C, heater on.
  // 1.0 V on the level input: code 2457, level 4798.828125, valve and pump on.
  lib.respuestas = {respuesta("0000000000000000", -2.0, 1.0)};
  ciclo_control();
  EXPECT_EQ(get_temperatura(), 29.98046875);
  EXPECT_EQ(get_nivel(), 4798.828125);
  EXPECT_EQ(lib.rebre, 4);  // two digital and two analog inputs
  ASSERT_EQ(lib.enviados.size(), 2u);
  EXPECT_EQ(lib.enviados[1], "0000000000000111,0.000000,0.000000");
  EXPECT_EQ(refrescos, 1);

  // Overflow switch (DI 1) on: everything off in the same tick.
  lib.respuestas = {respuesta("0100000000000000", -2.0, 1.0)};
  ciclo_control();
  EXPECT_EQ(get_rebose(), 1);
  EXPECT_EQ(get_sobrecal(), 0);
  EXPECT_EQ(lib.rebre, 8);
  EXPECT_EQ(lib.enviados.back(), "0000000000000000,0.000000,0.000000");

  // Overheat switch (DI 0) on; a "2" in the overflow position is no alarm.
  lib.respuestas = {respuesta("1200000000000000", 0.0, 0.0)};
  ciclo_control();
  EXPECT_EQ(get_sobrecal(), 1);
  EXPECT_EQ(get_rebose(), 0);
  EXPECT_EQ(lib.enviados.back(), "0000000000000000,0.000000,0.000000");

  // Full scale: 100 °C and level 8000 (the simulator's code 4096).
  lib.respuestas = {respuesta("0000000000000000", 5.0, 5.0)};
  ciclo_control();
  EXPECT_EQ(get_temperatura(), 100.0);
  EXPECT_EQ(get_nivel(), 8000.0);
  EXPECT_EQ(lib.enviados.back(), "0000000000000000,0.000000,0.000000");
  EXPECT_EQ(lib.enviados.size(), 5u);  // one write per tick
  EXPECT_EQ(refrescos, 4);

  palabra_DO = 6;
  parar_planta();
  EXPECT_EQ(lib.enviados.back(), "0000000000000000,0.000000,0.000000");
  EXPECT_EQ(lib.desconectar, 1);
  EXPECT_EQ(palabra_DO, 6);  // not changed by stopping
}

TEST_F(Ciclo, FailedCardCallsReadAsZero) {
  // Card mode with the card never opened: every read fails and leaves its
  // out-value as the cycle set it, 0.
  set_temperatura(50);
  set_nivel(50);
  set_rebose(1);
  ciclo_control();
  EXPECT_EQ(get_rebose(), 0);
  EXPECT_EQ(get_sobrecal(), 0);
  EXPECT_EQ(get_temperatura(), 0.0);  // word 0: code 0
  EXPECT_EQ(get_nivel(), 0.0);
  EXPECT_EQ(palabra_DO, 6);  // pump and heater; the valve needs a level above 0
  EXPECT_EQ(lib.rebre, 0);
  EXPECT_TRUE(lib.enviados.empty());
  // Stopping in card mode does not disconnect the simulator.
  parar_planta();
  EXPECT_EQ(lib.desconectar, 0);
}

}  // namespace
