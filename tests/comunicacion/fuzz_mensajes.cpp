// Fuzz target: the write-message reader and the client library's state-reply
// completeness check, with the properties each must keep for any input.
#include "estado.h"
#include "mensajes.h"
#include "refresco_grabador.h"
#include "respuesta.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string texto(reinterpret_cast<const char*>(data), size);

  // Write message: every output is set to 0 or 1 and the panel refreshed.
  iniciar_estado();
  refrescos_llamados().clear();
  aplicar_escritura(texto);
  for (int n = 0; n < 16; ++n)
    if (leer_DO(n) != 0 && leer_DO(n) != 1) std::abort();
  if (refrescos_llamados().size() != 2) std::abort();

  // Reply check on arbitrary bytes: a length within the input, or 0 / -1.
  const long c = kalovet_respuesta_completa(texto.data(), texto.size());
  if (c > static_cast<long>(size) || c < KALOVET_RESPUESTA_MALFORMADA) std::abort();
  if (c > 0 && (c < 160 || kalovet_respuesta_completa(texto.data(), static_cast<size_t>(c)) != c)) std::abort();

  // Reply built from inputs chosen by the data: complete exactly at its end,
  // and every shorter prefix is a proper beginning.
  for (size_t i = 0; i < size && i < 32; ++i) {
    if (i < 16) {
      if (data[i] & 1) conmutar_DI(static_cast<int>(i));
    } else {
      fijar_AD(static_cast<int>(i - 16), (data[i] * 40) % 10000);
    }
  }
  const std::string r = componer_estado();
  if (kalovet_respuesta_completa(r.data(), r.size()) != static_cast<long>(r.size())) std::abort();
  for (size_t n = 0; n < r.size(); ++n)
    if (kalovet_respuesta_completa(r.data(), n) != KALOVET_RESPUESTA_INCOMPLETA) std::abort();
  return 0;
}
