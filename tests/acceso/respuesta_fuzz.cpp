// Any text the client library may return as a state reply is read without
// reading past its end and without undefined behaviour; every converted
// reading gives a defined AD data word.
#include "conversion.h"

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  auto texto = std::make_unique<char[]>(n + 1);  // exactly the text and its NUL
  std::memcpy(texto.get(), datos, n);
  texto[n] = '\0';
  std::array<int, 16> di{};
  std::array<double, 16> ad{};
  acceso::leer_estado(texto.get(), di, ad);
  for (int k = 0; k < 16; ++k) {
    if (di[k] != 0 && di[k] != 1) __builtin_trap();
    acceso::Rango r{};
    acceso::rango_AD(k % 9, r);
    (void)acceso::palabra_AD(acceso::codigo_AD(ad[k], r), k);
  }
  (void)acceso::componer_escritura(di, ad[0], ad[1]);
  return 0;
}
