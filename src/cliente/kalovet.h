/*
 * libkalovet: the client library of the signal simulator kalovet.
 *
 * A client program reaches the simulated card through five plain C functions.
 * The library carries the simulator's text messages over TCP: it connects to
 * 127.0.0.1 port 1024, where kalovet listens, sends each message as one chunk
 * and waits for its answer before it returns. The environment variable
 * KALOVET_HOST ("host" or "host:port", "[v6addr]:port" for IPv6) points it
 * elsewhere; it is read each time a connection is opened. A host name (not
 * an address) is looked up with the system's resolver, whose own time limits
 * then add to the bound below.
 *
 * Messages (exactly as the simulator reads and writes them):
 *   write message  "DDDDDDDDDDDDDDDD,v0,v1": 16 digital outputs, output 15
 *                  first ("0" off, anything else on), then the two analog
 *                  outputs in volts, e.g. "0000000000000001,2.500000,-1.000000"
 *   read request   "lectura", answered by the state reply: 16 digital inputs,
 *                  input 0 first, then "," and the 16 analog inputs each
 *                  formatted "%f", comma separated (160 to 176 characters).
 *
 * Waits: every call returns within KALOVET_ESPERA_MS milliseconds (connecting,
 * sending, waiting for the answer and one reconnection included). A call that
 * finds its connection lost (closed or reset by the simulator, for example
 * after the simulator restarted its server) opens a new one once and repeats
 * its exchange on it; both messages are safe to repeat. A call that times out
 * closes its connection, so a late answer can never be taken for the answer
 * to a later call; the next call connects again.
 *
 * Results: 0 or more is success; negative values are the KALOVET_ERR_ codes
 * below. No call crashes or hangs when the simulator is gone, stopped or
 * answers nonsense. The library never raises SIGPIPE and changes no signal
 * disposition of the process.
 *
 * Threads: the library keeps one connection per process and serialises the
 * calls with a lock; a client normally calls it from one thread.
 */
#ifndef KALOVET_H
#define KALOVET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KALOVET_PUERTO 1024      /* the simulator's TCP port */
#define KALOVET_ESPERA_MS 3000   /* bound of every call, in milliseconds */

#define KALOVET_ERR_CONEXION (-1)  /* no connection could be opened, or it was lost twice */
#define KALOVET_ERR_ESPERA (-2)    /* the simulator did not answer within the bound */
#define KALOVET_ERR_ARGUMENTO (-3) /* null or empty message, or bad address/port */
#define KALOVET_ERR_RESPUESTA (-4) /* the simulator answered something unexpected */

/*
 * Connects to the simulator at an explicit IPv4 address and TCP port and keeps
 * that destination for later reconnections (instead of KALOVET_HOST).
 *   direccion  IPv4 address in host byte order (0x7F000001 is 127.0.0.1);
 *              0 keeps the usual destination's host (KALOVET_HOST or 127.0.0.1)
 *   puerto     TCP port 1..65535; 0 keeps the usual destination's port
 *              (from KALOVET_HOST, else 1024)
 * kalovet_conectar(0, 0) therefore connects like kalovet_usar.
 * Closes any open connection first. Returns 0 when connected,
 * KALOVET_ERR_ARGUMENTO for a port outside 0..65535, KALOVET_ERR_CONEXION or
 * KALOVET_ERR_ESPERA when no connection could be made.
 */
int32_t kalovet_conectar(int32_t direccion, int32_t puerto);

/*
 * Makes sure the simulator can be used: opens the connection to the usual
 * destination (KALOVET_HOST, else 127.0.0.1:1024) if none is open, forgetting
 * a destination set by kalovet_conectar. Returns 0 when connected, else
 * KALOVET_ERR_CONEXION or KALOVET_ERR_ESPERA.
 */
int32_t kalovet_usar(void);

/*
 * Ends the use of the simulator: closes the connection if one is open.
 * Always returns 0. A later kalovet_enviar or kalovet_rebre connects again.
 */
int32_t kalovet_desconectar(void);

/*
 * Sends one write message (NUL-terminated) and returns once the simulator has
 * answered "OK", which it does after applying it. The library does not keep
 * the pointer. Connects first if needed. Returns 0 on "OK";
 * KALOVET_ERR_ARGUMENTO for a null or empty text (TCP cannot carry an empty
 * message; nothing is sent); KALOVET_ERR_RESPUESTA if the answer was not "OK";
 * KALOVET_ERR_CONEXION or KALOVET_ERR_ESPERA if the simulator could not be
 * reached or did not answer in time. The text "lectura" is a read request to
 * the simulator: kalovet_enviar("lectura") waits for the state reply, discards
 * it and returns 0.
 */
int32_t kalovet_enviar(const char *mensaje);

/*
 * Performs one read exchange: sends "lectura" and returns the whole state
 * reply as a NUL-terminated text. The reply is known to be complete from its
 * structure (16 characters, ",", then 16 comma-separated numbers with six
 * decimals). The text belongs to the library and stays valid until the next
 * call into the library; the caller must not free it.
 * Never returns NULL. When the simulator cannot be reached or does not answer
 * in time, returns the empty text "". An answer that does not have the
 * structure of a state reply is returned as received once the simulator has
 * sent nothing more for a short while (at most 4096 characters).
 */
const char *kalovet_rebre(void);

/* Pointer types of the five entry points, for programs that load the library
 * at run time (dlopen/dlsym). */
typedef int32_t (*kalovet_conectar_fn)(int32_t, int32_t);
typedef int32_t (*kalovet_usar_fn)(void);
typedef int32_t (*kalovet_desconectar_fn)(void);
typedef int32_t (*kalovet_enviar_fn)(const char *);
typedef const char *(*kalovet_rebre_fn)(void);

#ifdef __cplusplus
}
#endif

#endif /* KALOVET_H */
