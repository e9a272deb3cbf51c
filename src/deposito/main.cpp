// deposito: the tank controller. One window; "Arrancar" asks whether to use
// the simulator or the card and starts the 500 ms control cycle.
#include "acceso_ventanas.h"
#include "operador.h"

#include "aplicacion.h"

int main(int argc, char** argv) {
  ventanas::Aplicacion app(argc, argv);  // an exception in a handler is shown and the program goes on
  QApplication::setApplicationName("deposito");
  acceso::usar_ventanas();
  Tform_visual ventana;
  ventana.show();
  return app.exec();
}
