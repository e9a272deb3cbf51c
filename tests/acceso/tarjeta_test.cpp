// Card mode: after a "No" every operation is lib7240.so's, here on its
// virtual card, with the card library's own results and nothing sent to the
// simulator's client library.
#include "acceso.h"
#include "falso_kalovet.h"
#include "plataforma_acceso.h"
#include "tarjeta_virtual.h"

#include <gtest/gtest.h>

#include <deque>

using acceso::Respuesta;

namespace {

std::deque<Respuesta> respuestas;
Respuesta preguntar(const char*, const char*) {
  const Respuesta r = respuestas.empty() ? Respuesta::Cancelar : respuestas.front();
  if (!respuestas.empty()) respuestas.pop_front();
  return r;
}
void terminar(int estado) { throw estado; }

TEST(Tarjeta, NoAtTheSecondInitialSendsEverythingToTheCardLibrary) {
  tarjeta_virtual_reiniciar();
  falso_reiniciar();
  acceso::reiniciar_para_pruebas();
  acceso::fijar_plataforma({preguntar, nullptr, terminar});
  auto& lib = falso_kalovet();

  // Before any question the layer is in card mode: the card is not opened.
  EXPECT_EQ(modo_simulador, 0);
  EXPECT_EQ(IO_7240_DO(0, 1), 1);  // ERR_Card_Not_Initial

  respuestas = {Respuesta::Si, Respuesta::No};
  int32_t base = -1, irq = -1;
  ASSERT_EQ(IO_7240_Initial(0, &base, &irq), 0);
  EXPECT_EQ(modo_simulador, 1);
  EXPECT_EQ(base, -1);  // simulator mode leaves them unwritten
  EXPECT_EQ(IO_7240_DO(0, 0x00FF), 0);
  EXPECT_EQ(lib.enviados.size(), 1u);

  ASSERT_EQ(IO_7240_Initial(0, &base, &irq), 0);  // "No": W_7240_Initial's result
  EXPECT_EQ(modo_simulador, 0);
  EXPECT_EQ(base, 0xC000);  // the virtual card's I/O base and interrupt line
  EXPECT_EQ(irq, 10);
  EXPECT_EQ(lib.desconectar, 0);

  tarjeta_virtual_fijar_DI(0, 0x1001);
  tarjeta_virtual_fijar_voltios(0, 7, 0.0);
  int32_t v = -1;
  EXPECT_EQ(IO_7240_DO(0, 0x6355), 0);
  EXPECT_EQ(IO_7240_DI(0, &v), 0);
  EXPECT_EQ(v, 0x1001);
  EXPECT_EQ(IO_7240_DI_Channel(0, 12, &v), 0);
  EXPECT_EQ(v, 1);
  v = -1;
  EXPECT_EQ(IO_7240_DI_Channel(0, 16, &v), 12);
  EXPECT_EQ(v, -1);
  EXPECT_EQ(IO_7240_DA(0, 1, 0x12345), 0);
  EXPECT_EQ(IO_7240_DA(0, 2, 1), 11);
  EXPECT_EQ(IO_7240_AD_Set_Mode(0, 99), 23);  // the card library refuses it; the simulator would not
  EXPECT_EQ(IO_7240_AD_Set_Mode(0, 0), 0);
  EXPECT_EQ(IO_7240_AD_Set_Range(0, 0), 0);
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 7), 0);
  EXPECT_EQ(IO_7240_AD_Soft_Trig(0), 0);
  EXPECT_EQ(IO_7240_AD_Aquire(0, &v), 0);
  EXPECT_EQ(v, (2048 << 4) | 7);
  EXPECT_EQ(IO_7240_DO(5, 1), 1);  // a card number the library refuses

  uint16_t palabra = 0;
  tarjeta_virtual_leer_DO(0, &palabra);
  EXPECT_EQ(palabra, 0x6355);
  tarjeta_virtual_leer_DA(0, 1, &palabra);
  EXPECT_EQ(palabra, 0x2345);
  // Nothing of this reached the simulator's client library.
  EXPECT_EQ(lib.enviados.size(), 1u);
  EXPECT_EQ(lib.rebre, 0);
}

}  // namespace
