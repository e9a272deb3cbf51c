/*
 * Completeness check of the simulator's state reply, which travels over TCP
 * with no length and no terminator: the client knows it has the whole reply
 * from its structure alone.
 *
 *   reply  = bit{16} "," numero ("," numero){15}
 *   bit    = "0" | "1"
 *   numero = ["-"] digit{1,309} "." digit{6}
 *
 * Internal to the library; not exported.
 */
#ifndef KALOVET_RESPUESTA_H
#define KALOVET_RESPUESTA_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KALOVET_RESPUESTA_INCOMPLETA 0
#define KALOVET_RESPUESTA_MALFORMADA (-1)

/*
 * Looks at the first n bytes received. Returns the length of the complete
 * reply when they hold one (bytes past it are not part of it), 0 when they are
 * a proper beginning of a reply and more must come, or
 * KALOVET_RESPUESTA_MALFORMADA when they can no longer become one.
 */
long kalovet_respuesta_completa(const char *texto, size_t n);

#ifdef __cplusplus
}
#endif

#endif
