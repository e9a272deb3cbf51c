// The one application object of a Qt test program (offscreen platform),
// created on first use and kept until the process ends.
#pragma once

#include "aplicacion.h"

inline ventanas::Aplicacion* aplicacion_prueba() {
  static int argc = 1;
  static char nombre[] = "kalovet";
  static char* argv[] = {nombre, nullptr};
  static auto* app = new ventanas::Aplicacion(argc, argv);
  return app;
}
