/* libkalovet: the simulator's client library over TCP (see kalovet.h). */
#define _GNU_SOURCE
#include "kalovet.h"

#include "respuesta.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#define EXPORTADA __attribute__((visibility("default")))

#define MAX_RESPUESTA 4096
#define SILENCIO_MS 100 /* quiet time that ends an answer of unknown shape */

static const char LECTURA[] = "lectura";

static pthread_mutex_t cerrojo = PTHREAD_MUTEX_INITIALIZER;
static int conexion = -1;
/* Destination set by kalovet_conectar; 0 means "the usual one". */
static uint32_t direccion_fija = 0;
static uint16_t puerto_fijo = 0;
/* The last state reply handed out by kalovet_rebre, NUL-terminated. */
static char respuesta[MAX_RESPUESTA + 1];

/* ---- time ------------------------------------------------------------- */

static int64_t ahora_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

/* Waits for ev on the connection until the deadline. 1 ready, 0 timed out,
 * -1 error. */
static int esperar(int fd, short ev, int64_t limite) {
  for (;;) {
    int64_t resta = limite - ahora_ms();
    if (resta <= 0) return 0;
    struct pollfd p = {fd, ev, 0};
    int r = poll(&p, 1, (int)resta);
    if (r > 0) return 1;
    if (r == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

/* ---- destination and connection --------------------------------------- */

static void cerrar(void) {
  if (conexion >= 0) close(conexion);
  conexion = -1;
}

/* Host and port of the usual destination: KALOVET_HOST or 127.0.0.1:1024. */
static void destino_habitual(char *host, size_t nh, char *puerto, size_t np) {
  snprintf(host, nh, "127.0.0.1");
  snprintf(puerto, np, "%d", KALOVET_PUERTO);
  const char *env = getenv("KALOVET_HOST");
  if (!env || !*env) return;
  const char *dos_puntos;
  if (env[0] == '[') { /* [v6addr] or [v6addr]:port */
    const char *fin = strchr(env, ']');
    if (!fin) return;
    snprintf(host, nh, "%.*s", (int)(fin - env - 1), env + 1);
    dos_puntos = fin[1] == ':' ? fin + 1 : NULL;
  } else {
    dos_puntos = strchr(env, ':');
    if (dos_puntos && strchr(dos_puntos + 1, ':')) {
      snprintf(host, nh, "%s", env); /* a bare IPv6 address, no port */
      return;
    }
    if (dos_puntos != env) snprintf(host, nh, "%.*s", dos_puntos ? (int)(dos_puntos - env) : (int)strlen(env), env);
  }
  if (dos_puntos && dos_puntos[1]) snprintf(puerto, np, "%s", dos_puntos + 1);
}

static int abrir_a(const struct sockaddr *dir, socklen_t largo, int64_t limite) {
  int fd = socket(dir->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return KALOVET_ERR_CONEXION;
  int r = connect(fd, dir, largo);
  if (r < 0 && errno != EINPROGRESS && errno != EINTR) {
    close(fd);
    return KALOVET_ERR_CONEXION;
  }
  if (r < 0) {
    int e = esperar(fd, POLLOUT, limite);
    if (e <= 0) {
      close(fd);
      return e == 0 ? KALOVET_ERR_ESPERA : KALOVET_ERR_CONEXION;
    }
    int error = 0;
    socklen_t l = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &l) < 0 || error != 0) {
      close(fd);
      return KALOVET_ERR_CONEXION;
    }
  }
  int uno = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
  conexion = fd;
  return 0;
}

static int abrir(int64_t limite) {
  cerrar();
  char host[256], puerto[32];
  destino_habitual(host, sizeof host, puerto, sizeof puerto);
  if (direccion_fija != 0) {
    unsigned a = direccion_fija;
    snprintf(host, sizeof host, "%u.%u.%u.%u", (a >> 24) & 255, (a >> 16) & 255, (a >> 8) & 255, a & 255);
  }
  if (puerto_fijo != 0) snprintf(puerto, sizeof puerto, "%u", (unsigned)puerto_fijo);

  struct addrinfo pista, *lista = NULL;
  memset(&pista, 0, sizeof pista);
  pista.ai_family = AF_UNSPEC;
  pista.ai_socktype = SOCK_STREAM;
  pista.ai_flags = AI_NUMERICSERV;
  if (getaddrinfo(host, puerto, &pista, &lista) != 0 || !lista) return KALOVET_ERR_CONEXION;
  int r = KALOVET_ERR_CONEXION;
  for (struct addrinfo *a = lista; a; a = a->ai_next) {
    r = abrir_a(a->ai_addr, a->ai_addrlen, limite);
    if (r == 0 || r == KALOVET_ERR_ESPERA) break;
  }
  freeaddrinfo(lista);
  return r;
}

/* ---- one exchange ------------------------------------------------------ */

enum { HECHO = 0, PERDIDA = 1 }; /* besides the negative error codes */

/* Throws away whatever arrived after the previous exchange (for example a
 * second "OK" for a message that reached the simulator in two pieces). Tells
 * whether the connection is still open. */
static int vaciar(void) {
  char basura[512];
  for (;;) {
    ssize_t r = recv(conexion, basura, sizeof basura, MSG_DONTWAIT);
    if (r > 0) continue;
    if (r == 0) return PERDIDA;
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? HECHO : PERDIDA;
  }
}

static int enviar_todo(const char *texto, size_t n, int64_t limite) {
  size_t hecho = 0;
  while (hecho < n) {
    ssize_t r = send(conexion, texto + hecho, n - hecho, MSG_NOSIGNAL);
    if (r > 0) {
      hecho += (size_t)r;
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int e = esperar(conexion, POLLOUT, limite);
      if (e == 0) return KALOVET_ERR_ESPERA;
      if (e < 0) return PERDIDA;
      continue;
    }
    return PERDIDA;
  }
  return HECHO;
}

/* Reads the answer into respuesta[]: a state reply when lectura, else the two
 * characters of "OK". *largo gets its length. */
static int recibir(int lectura, size_t *largo, int64_t limite) {
  size_t n = 0;
  int malformada = 0;
  *largo = 0;
  for (;;) {
    /* Late "OK"s of an earlier write that reached the simulator in several
     * pieces may come before the reply; a reply never starts with "O". */
    while (lectura && n >= 2 && respuesta[0] == 'O' && respuesta[1] == 'K') {
      memmove(respuesta, respuesta + 2, n - 2);
      n -= 2;
    }
    if (lectura && !malformada && !(n == 1 && respuesta[0] == 'O')) {
      long c = kalovet_respuesta_completa(respuesta, n);
      if (c > 0) {
        *largo = (size_t)c;
        return HECHO;
      }
      if (c < 0) malformada = 1;
    }
    if (!lectura && n >= 2) {
      *largo = 2;
      return HECHO;
    }
    if (n >= MAX_RESPUESTA) {
      *largo = n;
      return HECHO;
    }
    int64_t hasta = limite;
    if (malformada && ahora_ms() + SILENCIO_MS < limite) hasta = ahora_ms() + SILENCIO_MS;
    int e = esperar(conexion, POLLIN, hasta);
    if (e == 0) {
      if (malformada && hasta < limite) {
        *largo = n;
        return HECHO;
      }
      return KALOVET_ERR_ESPERA;
    }
    ssize_t r = recv(conexion, respuesta + n, MAX_RESPUESTA - n, 0);
    if (r > 0) {
      n += (size_t)r;
      continue;
    }
    if (r < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n > 0 && !lectura) break; /* a partial "OK" and then the end */
    if (n > 0 && malformada) {
      *largo = n;
      return HECHO;
    }
    return PERDIDA;
  }
  *largo = n;
  return HECHO;
}

/* Sends texto and reads its answer, reconnecting once if the connection turns
 * out to be lost. Leaves the answer in respuesta[] (NUL-terminated). */
static int intercambio(const char *texto, size_t n, int lectura, size_t *largo) {
  const int64_t limite = ahora_ms() + KALOVET_ESPERA_MS;
  int reabierta = 0;
  respuesta[0] = '\0';
  *largo = 0;
  for (;;) {
    if (conexion < 0) {
      int r = abrir(limite);
      if (r < 0) return r;
    }
    int r = vaciar();
    if (r == HECHO) r = enviar_todo(texto, n, limite);
    if (r == HECHO) r = recibir(lectura, largo, limite);
    if (r == HECHO) {
      respuesta[*largo] = '\0';
      return 0;
    }
    cerrar();
    if (r < 0) return r; /* timed out: the connection is closed so a late answer is never misread */
    if (reabierta) return KALOVET_ERR_CONEXION;
    reabierta = 1;
  }
}

/* ---- entry points ------------------------------------------------------ */

EXPORTADA int32_t kalovet_conectar(int32_t direccion, int32_t puerto) {
  if (puerto < 0 || puerto > 65535) return KALOVET_ERR_ARGUMENTO;
  pthread_mutex_lock(&cerrojo);
  direccion_fija = (uint32_t)direccion;
  puerto_fijo = (uint16_t)puerto;
  int r = abrir(ahora_ms() + KALOVET_ESPERA_MS);
  pthread_mutex_unlock(&cerrojo);
  return r;
}

EXPORTADA int32_t kalovet_usar(void) {
  pthread_mutex_lock(&cerrojo);
  if (direccion_fija != 0 || puerto_fijo != 0) {
    direccion_fija = 0;
    puerto_fijo = 0;
    cerrar();
  }
  int r = 0;
  if (conexion < 0 || vaciar() != HECHO) r = abrir(ahora_ms() + KALOVET_ESPERA_MS);
  pthread_mutex_unlock(&cerrojo);
  return r;
}

EXPORTADA int32_t kalovet_desconectar(void) {
  pthread_mutex_lock(&cerrojo);
  cerrar();
  pthread_mutex_unlock(&cerrojo);
  return 0;
}

EXPORTADA int32_t kalovet_enviar(const char *mensaje) {
  if (!mensaje || !*mensaje) return KALOVET_ERR_ARGUMENTO;
  size_t n = strlen(mensaje);
  int lectura = strcmp(mensaje, LECTURA) == 0;
  pthread_mutex_lock(&cerrojo);
  size_t largo = 0;
  int r = intercambio(mensaje, n, lectura, &largo);
  if (r == 0 && !lectura && strcmp(respuesta, "OK") != 0) r = KALOVET_ERR_RESPUESTA;
  respuesta[0] = '\0';
  pthread_mutex_unlock(&cerrojo);
  return r;
}

EXPORTADA const char *kalovet_rebre(void) {
  pthread_mutex_lock(&cerrojo);
  size_t largo = 0;
  if (intercambio(LECTURA, sizeof LECTURA - 1, 1, &largo) != 0) respuesta[0] = '\0';
  pthread_mutex_unlock(&cerrojo);
  return respuesta;
}
