// The communications window with the real main panel in a test process, on the
// offscreen platform: start-up once per process on a free port, with the Qt
// event loop turning while the red_prueba helpers wait.
#pragma once

#include "red_prueba.h"
#include "simulador/tcpip.h"
#include "ventanas/cajas.h"

#include "aplicacion.h"
#include "colores.h"
#include "estado.h"
#include "fp.h"
#include "refresco.h"

#include <QCoreApplication>

#include <string>

namespace ventana_prueba {

inline ventanas::Aplicacion* aplicacion() {
  static int argc = 1;
  static char nombre[] = "kalovet";
  static char* argv[] = {nombre, nullptr};
  static auto* app = new ventanas::Aplicacion(argc, argv);
  return app;
}

// The store reset, then the panel and the window created as start-up does;
// message boxes go to the responder.
inline void arrancar(ventanas::Responder responder) {
  aplicacion();
  red_prueba::bombear() = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 2); };
  ventanas::responder_mensajes(std::move(responder));
  red_prueba::puerto() = red_prueba::puerto_libre();
  fijar_puerto_escucha(red_prueba::puerto());
  iniciar_estado();
  fprin = new Tfprin;
  ChatForm = new TChatForm;
}

// Every signal back to its start-up value, and the panel redrawn from them.
inline void senales_iniciales() {
  iniciar_estado();
  mostrar_DI();
  mostrar_DO();
  mostrar_AD();
  mostrar_DA();
}

// The panel's output lamps lo15..lo0: '1' red, '0' lime, '?' anything else.
inline std::string DO_del_panel() {
  std::string s;
  for (int n = 15; n >= 0; --n) {
    const auto b = fprin->lo[n]->brocha();
    s += b == ventanas::clRed ? '1' : b == ventanas::clLime ? '0' : '?';
  }
  return s;
}

}  // namespace ventana_prueba
