// Fuzz target: any bytes as a registry file. Reading never fails unsafely, and
// whatever reads writes back to a text that reads to the same text again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "registro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::string_view texto(reinterpret_cast<const char*>(datos), tam);
  auto r = com::Registro::leer_texto(texto);
  if (!r) return 0;
  auto escrito = r->escribir_texto();
  if (!escrito) return 0;
  auto otra = com::Registro::leer_texto(*escrito);
  if (!otra || otra->escribir_texto() != escrito) std::abort();
  for (const auto& c : r->claves()) {
    r->subclaves(c.ruta);
    break;
  }
  if (!r->claves().empty()) r->borrar_arbol(r->claves().back().ruta);
  return 0;
}
