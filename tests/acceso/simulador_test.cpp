// The access layer in simulator mode against a recording client library
// (falso_kalovet): the question, the library binding, the failures that end
// the program, and the texts and values of every emulated operation.
#include "acceso.h"
#include "falso_kalovet.h"
#include "plataforma_acceso.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using acceso::Respuesta;

namespace {

// The program's end, thrown by the test platform instead of exiting.
struct Fin {
  int estado;
};

struct Pantalla {
  std::deque<Respuesta> respuestas;  // answers to the next questions
  std::vector<std::string> preguntas;  // "caption|text" of each question
  std::vector<std::string> avisos;
} pantalla;

Respuesta preguntar(const char* titulo, const char* texto) {
  pantalla.preguntas.push_back(std::string(titulo) + "|" + texto);
  if (pantalla.respuestas.empty()) return Respuesta::Cancelar;
  const Respuesta r = pantalla.respuestas.front();
  pantalla.respuestas.pop_front();
  return r;
}
void avisar(const char* texto) { pantalla.avisos.emplace_back(texto); }
void terminar(int estado) { throw Fin{estado}; }

std::string respuesta(const char* entradas, double ad0 = 0, double ad1 = 0, double ad3 = 0) {
  char texto[256];
  std::snprintf(texto, sizeof texto, "%s,%f,%f,0.0,%f,0,0,0,0,0,0,0,0,0,0,0,0", entradas, ad0, ad1, ad3);
  return texto;
}

class Simulador : public testing::Test {
 protected:
  void SetUp() override {
    falso_reiniciar();
    acceso::reiniciar_para_pruebas();
    acceso::fijar_rutas_libreria(acceso::kNombreLibreria, acceso::kRutaFijaLibreria);
    acceso::fijar_plataforma({preguntar, avisar, terminar});
    pantalla = {};
  }
  // IO_7240_Initial answered "Yes".
  void usar_simulador() {
    pantalla.respuestas.push_back(Respuesta::Si);
    int32_t base = 111, irq = 222;
    ASSERT_EQ(IO_7240_Initial(0, &base, &irq), 0);
    EXPECT_EQ(base, 111);  // left as the caller passed them
    EXPECT_EQ(irq, 222);
    ASSERT_EQ(modo_simulador, 1);
  }
  // The program's end status when f ends it; -1 when it returns.
  template <typename F>
  int estado_al_terminar(F f) {
    try {
      f();
    } catch (const Fin& fin) {
      return fin.estado;
    }
    return -1;
  }
  FalsoKalovet& lib = falso_kalovet();
};

TEST_F(Simulador, QuestionIsAskedAtEveryInitial) {
  usar_simulador();
  EXPECT_EQ(pantalla.preguntas.at(0),
            "Kalovet|Pulsa \"SI\" para usar el SIMULADOR\ny \"NO\" para usar la TARJETA de adquisición");
  EXPECT_EQ(lib.usar, 1);
  usar_simulador();
  EXPECT_EQ(pantalla.preguntas.size(), 2u);
  EXPECT_EQ(lib.usar, 2);
  EXPECT_TRUE(lib.enviados.empty());
  EXPECT_EQ(lib.rebre, 0);
}

TEST_F(Simulador, EndsOfTheProgram) {
  // Cancel (or the box closed) ends with status 0 and touches nothing.
  EXPECT_EQ(estado_al_terminar([] { int32_t a, b; IO_7240_Initial(0, &a, &b); }), 0);
  EXPECT_EQ(lib.usar, 0);
  EXPECT_TRUE(pantalla.avisos.empty());

  // kalovet_usar below 0: "No puedo conectar", status 1; 0 and above are fine.
  lib.resultado_usar = -1;
  pantalla.respuestas = {Respuesta::Si};
  EXPECT_EQ(estado_al_terminar([] { int32_t a, b; IO_7240_Initial(0, &a, &b); }), 1);
  EXPECT_EQ(pantalla.avisos, std::vector<std::string>{"No puedo conectar"});
  lib.resultado_usar = 3;
  usar_simulador();

  // kalovet_conectar: arguments passed through, result handed back, below 0 ends.
  acceso::reiniciar_para_pruebas();
  lib.resultado_conectar = 42;
  EXPECT_EQ(conectar_simulador(-7, 0x12345678), 42);
  EXPECT_EQ(modo_simulador, 1);
  EXPECT_EQ(lib.conectar_a, -7);
  EXPECT_EQ(lib.conectar_b, 0x12345678);
  lib.resultado_conectar = -2;
  pantalla.avisos.clear();
  EXPECT_EQ(estado_al_terminar([] { conectar_simulador(0, 0); }), 1);
  EXPECT_EQ(pantalla.avisos, std::vector<std::string>{"No puedo conectar"});
}

TEST_F(Simulador, LibraryNotFoundByNameNorAtTheFixedPath) {
  acceso::fijar_rutas_libreria("libkalovet_no_existe.so", "/nonexistent/libkalovet.so");
  pantalla.respuestas = {Respuesta::Si};
  EXPECT_EQ(estado_al_terminar([] { int32_t a, b; IO_7240_Initial(0, &a, &b); }), 1);
  EXPECT_EQ(pantalla.avisos, std::vector<std::string>{"No encuentro la librería dinámica \"kalovet.dll\""});
  EXPECT_EQ(lib.usar, 0);
}

TEST_F(Simulador, LibraryAtTheFixedPathThatLacksEntryPoints) {
  // Found only at the fixed path; it has no kalovet_rebre and no kalovet_conectar.
  acceso::fijar_rutas_libreria("libkalovet_no_existe.so", FALSO_INCOMPLETO_RUTA);
  usar_simulador();
  EXPECT_EQ(lib.usar, 0);  // the other library answered
  EXPECT_EQ(IO_7240_DO(0, 1), 0);
  int32_t v = 0;
  EXPECT_EQ(estado_al_terminar([&] { IO_7240_DI(0, &v); }), 1);
  EXPECT_EQ(pantalla.avisos.back(), "La librería dinámica \"kalovet.dll\" no tiene la función kalovet_rebre");
  EXPECT_EQ(estado_al_terminar([] { conectar_simulador(0, 0); }), 1);
  EXPECT_EQ(pantalla.avisos.back(), "La librería dinámica \"kalovet.dll\" no tiene la función kalovet_conectar");
}

TEST_F(Simulador, EveryOutputCallSendsAllOutputs) {
  usar_simulador();
  const struct {
    const char* caso;
    int (*llamada)();
    int resultado;
    const char* mensaje;  // nullptr: nothing sent
  } tabla[] = {
      {"DO bits 15 and 0", [] { return IO_7240_DO(0, 0x8001); }, 0, "1000000000000001,0.000000,0.000000"},
      {"DO bit 16 ignored", [] { return IO_7240_DO(0, 0x10000); }, 0, "0000000000000000,0.000000,0.000000"},
      {"DO 5", [] { return IO_7240_DO(0, 5); }, 0, "0000000000000101,0.000000,0.000000"},
      {"DA 1 keeps the outputs", [] { return IO_7240_DA(0, 1, 2048); }, 0, "0000000000000101,0.000000,2.500000"},
      {"DA 0 full scale", [] { return IO_7240_DA(0, 0, 4096); }, 0, "0000000000000101,5.000000,2.500000"},
      {"DA channel 2", [] { return IO_7240_DA(0, 2, 1); }, 11, nullptr},
      {"DA channel -1", [] { return IO_7240_DA(0, -1, 1); }, 11, nullptr},
      {"DO on any card number", [] { return IO_7240_DO(3, -1); }, 0, "1111111111111111,5.000000,2.500000"},
      {"DA 0 to zero", [] { return IO_7240_DA(7, 0, 0); }, 0, "1111111111111111,0.000000,2.500000"},
  };
  for (const auto& f : tabla) {
    const size_t antes = lib.enviados.size();
    EXPECT_EQ(f.llamada(), f.resultado) << f.caso;
    if (f.mensaje) {
      ASSERT_EQ(lib.enviados.size(), antes + 1) << f.caso;
      EXPECT_EQ(lib.enviados.back(), f.mensaje) << f.caso;
    } else {
      EXPECT_EQ(lib.enviados.size(), antes) << f.caso;
    }
  }
  EXPECT_EQ(lib.rebre, 0);
}

TEST_F(Simulador, DigitalInputs) {
  usar_simulador();
  const struct {
    const char* caso;
    const char* entradas;
    int32_t palabra;
    int32_t bit0, bit12, bit15;
  } tabla[] = {
      {"input 0 on", "1000000000000000", 1, 1, 0, 0},
      {"inputs 0, 2, 5, 7", "1010010100000000", 0x00A5, 1, 0, 0},
      {"all on", "1111111111111111", 0xFFFF, 1, 1, 1},
      {"only \"1\" is on", "2x00000000001000", 0x1000, 0, 1, 0},
      {"short reply", "1", 1, 1, 0, 0},
  };
  for (const auto& f : tabla) {
    lib.respuestas = {std::string(f.entradas).size() == 16 ? respuesta(f.entradas) : f.entradas};
    int32_t v = -5;
    EXPECT_EQ(IO_7240_DI(0, &v), 0);
    EXPECT_EQ(v, f.palabra) << f.caso;
    for (auto [canal, esperado] : {std::pair{0, f.bit0}, {12, f.bit12}, {15, f.bit15}}) {
      v = -5;
      EXPECT_EQ(IO_7240_DI_Channel(0, canal, &v), 0);
      EXPECT_EQ(v, esperado) << f.caso << " channel " << canal;
    }
  }
  // A channel outside 0..15: 12, no exchange, the bit as it was.
  const int lecturas = lib.rebre;
  for (int canal : {16, -1}) {
    int32_t v = -5;
    EXPECT_EQ(IO_7240_DI_Channel(0, canal, &v), 12);
    EXPECT_EQ(v, -5);
  }
  EXPECT_EQ(lib.rebre, lecturas);
  // A null reply reads as all inputs off.
  lib.respuesta_nula = true;
  int32_t v = -5;
  EXPECT_EQ(IO_7240_DI(0, &v), 0);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(lib.enviados.empty());
}

TEST_F(Simulador, AnalogInputs) {
  usar_simulador();
  auto adquirir = [] {
    int32_t w = -5;
    EXPECT_EQ(IO_7240_AD_Aquire(0, &w), 0);
    return w;
  };
  lib.respuestas = {respuesta("0000000000000000", 0.0, 5.0, 1.25)};
  EXPECT_EQ(adquirir(), 32768);  // channel 0 at 0 V, range -5..+5
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 3), 0);
  EXPECT_EQ(adquirir(), (2560 << 4) | 3);
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 16), 10);
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, -1), 10);
  EXPECT_EQ(adquirir() & 0xF, 3);  // channel kept
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 1), 0);
  EXPECT_EQ(adquirir(), (4096 << 4) | 1);  // the maximum gives 4096
  EXPECT_EQ(IO_7240_AD_Set_Range(0, 4), 0);  // 0..10 V: 5 V is mid-scale
  EXPECT_EQ(adquirir() >> 4, 2048);
  EXPECT_EQ(IO_7240_AD_Set_Range(0, 9), 0);  // kept
  EXPECT_EQ(IO_7240_AD_Set_Range(0, -3), 0);
  EXPECT_EQ(adquirir() >> 4, 2048);
  EXPECT_EQ(IO_7240_AD_Set_Range(0, 5), 0);  // 0..5 V: 0 V on channel 0 is the minimum
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 0), 0);
  lib.respuestas = {respuesta("0000000000000000", -2.0)};
  EXPECT_LT(adquirir(), 0);  // below the minimum: negative code and word
  EXPECT_EQ(IO_7240_AD_Set_Range(0, 0), 0);
  EXPECT_EQ(adquirir() >> 4, 1228);  // -2.0 V truncated from 1228.8
  // Every conversion reads a fresh reply; mode and trigger cost nothing.
  const int lecturas = lib.rebre;
  EXPECT_EQ(IO_7240_AD_Set_Mode(0, 99), 0);
  EXPECT_EQ(IO_7240_AD_Soft_Trig(0), 0);
  EXPECT_EQ(lib.rebre, lecturas);
  lib.respuestas = {respuesta("0000000000000000", 5.0)};
  EXPECT_EQ(adquirir(), 4096 << 4);
  EXPECT_EQ(lib.rebre, lecturas + 1);
  // A reply that does not parse keeps the old values.
  lib.respuestas = {"1111111111111111,nada"};
  EXPECT_EQ(adquirir(), 4096 << 4);
  EXPECT_TRUE(lib.enviados.empty());
}

TEST_F(Simulador, StateOutlivesModeChangesAndDisconnectIsTheCallers) {
  usar_simulador();
  EXPECT_EQ(IO_7240_DO(0, 5), 0);
  EXPECT_EQ(IO_7240_AD_Set_Channel(0, 2), 0);
  pantalla.respuestas = {Respuesta::No};
  int32_t a = 0, b = 0;
  IO_7240_Initial(0, &a, &b);  // card mode; what the card library answers does not matter here
  EXPECT_EQ(modo_simulador, 0);
  EXPECT_EQ(lib.desconectar, 0);
  usar_simulador();
  EXPECT_EQ(IO_7240_DA(0, 0, 2048), 0);
  EXPECT_EQ(lib.enviados.back(), "0000000000000101,2.500000,0.000000");
  int32_t w = 0;
  IO_7240_AD_Aquire(0, &w);
  EXPECT_EQ(w & 0xF, 2);
  lib.resultado_desconectar = 7;
  EXPECT_EQ(desconectar_simulador(), 7);
  EXPECT_EQ(lib.desconectar, 1);
  EXPECT_EQ(modo_simulador, 1);
}

}  // namespace
