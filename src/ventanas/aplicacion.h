// The application object of the three programs.
//
// - Shutdown checks: a short list of questions asked, in the order they were
//   added, before the main window closes on the user's request; the first one
//   that refuses keeps the program running. The main window's close handler
//   calls puede_cerrar().
// - Exception box: an exception that escapes an event handler is shown in a
//   message box (caption: the application's name, text: the exception's
//   message) and the program goes on with the next event.
#pragma once

#include <functional>

#include <QApplication>

namespace ventanas {

using Comprobacion = std::function<bool()>;

// The list lives outside the application object, so that start-up code may
// add a check before the application object exists.
void agregar_comprobacion_cierre(Comprobacion c);
void borrar_comprobaciones_cierre();
// True when every check allows the end (an empty list allows it).
bool puede_cerrar();

// Shows the exception box for a message.
void mostrar_excepcion(const char* mensaje);

class Aplicacion : public QApplication {
 public:
  Aplicacion(int& argc, char** argv);
  bool notify(QObject* receptor, QEvent* evento) override;
};

}  // namespace ventanas
