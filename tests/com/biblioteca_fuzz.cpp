// Fuzz target: any bytes as a type library.
#include <cstdint>
#include <cstdlib>

#include "biblioteca_tipos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  com::DeclBiblioteca b;
  if (com::leer_biblioteca(datos, tam, b) != com::S_OK) return 0;
  auto bytes = com::escribir_biblioteca(b);
  com::DeclBiblioteca otra;
  if (com::leer_biblioteca(bytes.data(), bytes.size(), otra) != com::S_OK) std::abort();
  return 0;
}
