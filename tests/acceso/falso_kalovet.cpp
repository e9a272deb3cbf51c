#include "falso_kalovet.h"

#include <cstring>

FalsoKalovet& falso_kalovet() {
  static FalsoKalovet f;
  return f;
}

void falso_reiniciar() {
  falso_kalovet() = FalsoKalovet{};
  std::string inicial = "0000000000000000";
  for (int i = 0; i < 16; ++i) inicial += ",0.000000";
  falso_kalovet().respuestas.push_back(inicial);
}

// The entry points are exported; in the incomplete variant nothing else is,
// so that it keeps a record of its own.
#define ENTRADA __attribute__((visibility("default")))

extern "C" {

ENTRADA int32_t kalovet_usar() {
  auto& f = falso_kalovet();
  ++f.usar;
  return f.resultado_usar;
}

ENTRADA int32_t kalovet_desconectar() {
  auto& f = falso_kalovet();
  ++f.desconectar;
  return f.resultado_desconectar;
}

ENTRADA int32_t kalovet_enviar(const char* texto) {
  falso_kalovet().enviados.emplace_back(texto);
  return 0;
}

#ifndef FALSO_INCOMPLETO
ENTRADA int32_t kalovet_conectar(int32_t a, int32_t b) {
  auto& f = falso_kalovet();
  ++f.conectar;
  f.conectar_a = a;
  f.conectar_b = b;
  return f.resultado_conectar;
}

ENTRADA const char* kalovet_rebre() {
  auto& f = falso_kalovet();
  ++f.rebre;
  if (f.respuesta_nula) return nullptr;
  std::string texto;
  if (!f.respuestas.empty()) {
    texto = f.respuestas.front();
    if (f.respuestas.size() > 1) f.respuestas.pop_front();
  }
  f.entregada = std::make_unique<char[]>(texto.size() + 1);
  std::memcpy(f.entregada.get(), texto.c_str(), texto.size() + 1);
  return f.entregada.get();
}
#endif

}  // extern "C"
