// Load and unload of lib7240.so.
//
// The library opens the card's drivers when it is loaded, over the platform
// the environment selects. A Linux loader has no way for a library to refuse
// its load, so when the card driver cannot be opened the constructor shows the
// message (standard error unless a hook replaced it) and ends the process at
// once with _exit(1): the program does not start, its own constructors and
// main never run, and no exit handlers of a half-started program run.
#include <cstdio>
#include <unistd.h>

#include "tarjeta.h"

namespace {

__attribute__((constructor)) void al_cargar() {
    if (!w7240::cargar(plataforma7240_elegida())) {
        std::fflush(stderr);
        _exit(1);
    }
}

__attribute__((destructor)) void al_descargar() { w7240::descargar(); }

}  // namespace
