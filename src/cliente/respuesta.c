#include "respuesta.h"

#define MAX_DIGITOS_ENTEROS 309 /* the widest finite double written with "%f" */

static int es_digito(char c) { return c >= '0' && c <= '9'; }

long kalovet_respuesta_completa(const char *texto, size_t n) {
  size_t i = 0;
  for (; i < 16; ++i) {
    if (i >= n) return KALOVET_RESPUESTA_INCOMPLETA;
    if (texto[i] != '0' && texto[i] != '1') return KALOVET_RESPUESTA_MALFORMADA;
  }
  for (int numero = 0; numero < 16; ++numero) {
    /* the separator: after the bits, and between two numbers */
    if (i >= n) return KALOVET_RESPUESTA_INCOMPLETA;
    if (texto[i] != ',') return KALOVET_RESPUESTA_MALFORMADA;
    ++i;
    if (i >= n) return KALOVET_RESPUESTA_INCOMPLETA;
    if (texto[i] == '-') ++i;
    size_t enteros = 0;
    for (;;) {
      if (i >= n) return KALOVET_RESPUESTA_INCOMPLETA;
      if (!es_digito(texto[i])) break;
      if (++enteros > MAX_DIGITOS_ENTEROS) return KALOVET_RESPUESTA_MALFORMADA;
      ++i;
    }
    if (enteros == 0 || texto[i] != '.') return KALOVET_RESPUESTA_MALFORMADA;
    ++i;
    for (int d = 0; d < 6; ++d, ++i) {
      if (i >= n) return KALOVET_RESPUESTA_INCOMPLETA;
      if (!es_digito(texto[i])) return KALOVET_RESPUESTA_MALFORMADA;
    }
  }
  /* A seventh decimal would mean the number was not written with "%f". */
  if (i < n && es_digito(texto[i])) return KALOVET_RESPUESTA_MALFORMADA;
  return (long)i;
}
