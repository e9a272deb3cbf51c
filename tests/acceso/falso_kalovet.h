// A stand-in for the simulator's client library libkalovet.so: the five entry
// points record what the access layer sent them and answer from a script.
// Tests link it directly; the layer's dlopen("libkalovet.so") then finds this
// very library, already loaded, and the test reads the record through
// falso_kalovet().
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct FalsoKalovet {
  // What the layer did.
  std::vector<std::string> enviados;  // every kalovet_enviar text, in order
  int rebre = 0;
  int usar = 0;
  int desconectar = 0;
  int conectar = 0;
  int32_t conectar_a = 0;
  int32_t conectar_b = 0;
  // How the library answers.
  std::deque<std::string> respuestas;  // one per kalovet_rebre; the last repeats
  bool respuesta_nula = false;         // kalovet_rebre returns a null pointer
  int resultado_usar = 0;
  int resultado_conectar = 0;
  int resultado_desconectar = 0;
  // The text handed out last, owned by the library until the next call: an
  // allocation of exactly its length, so that reading past its end is caught
  // by the address sanitizer.
  std::unique_ptr<char[]> entregada;
};

FalsoKalovet& falso_kalovet();
void falso_reiniciar();
