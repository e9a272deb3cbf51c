#include "comun.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "plataforma7240.h"

namespace plataforma {

uint32_t ultimo_error_valor = 0;

namespace {
mensaje7240 gancho = plataforma7240_mensaje_por_defecto;
}

void mensaje(const char *texto, const char *titulo) { gancho(texto ? texto : "", titulo ? titulo : ""); }

int64_t contador() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t frecuencia() { return 1000000000; }

}  // namespace plataforma

extern "C" {

void plataforma7240_mensaje_por_defecto(const char *texto, const char *titulo) {
    if (titulo && *titulo)
        std::fprintf(stderr, "%s: %s\n", titulo, texto ? texto : "");
    else
        std::fprintf(stderr, "%s\n", texto ? texto : "");
    std::fflush(stderr);
}

void plataforma7240_fijar_mensaje(mensaje7240 g) {
    plataforma::gancho = g ? g : plataforma7240_mensaje_por_defecto;
}

const struct plataforma7240 *plataforma7240_elegida(void) {
    static const plataforma7240 *elegida = [] {
        const char *v = std::getenv("TARJETA7240");
        return v && std::strcmp(v, "virtual") == 0 ? plataforma7240_virtual()
                                                   : plataforma7240_hardware();
    }();
    return elegida;
}

}  // extern "C"
