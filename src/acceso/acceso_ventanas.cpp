#include "acceso_ventanas.h"

#include "cajas.h"
#include "plataforma_acceso.h"

#include <cstdio>
#include <cstdlib>

namespace acceso {
namespace {

Respuesta preguntar(const char* titulo, const char* texto) {
  ventanas::Caja caja;
  caja.titulo = titulo;
  caja.texto = texto;
  caja.botones = ventanas::Botones::SiNoCancelar;
  caja.icono = ventanas::Icono::Pregunta;
  switch (ventanas::caja_mensaje(caja)) {
    case ventanas::Respuesta::Si: return Respuesta::Si;
    case ventanas::Respuesta::No: return Respuesta::No;
    default: return Respuesta::Cancelar;
  }
}

void avisar(const char* texto) { ventanas::mostrar_mensaje(texto); }

// The C runtime's normal exit, without closing the windows first.
void terminar(int estado) {
  std::fflush(nullptr);
  std::exit(estado);
}

}  // namespace

void usar_ventanas() { fijar_plataforma(Plataforma{preguntar, avisar, terminar}); }

}  // namespace acceso
