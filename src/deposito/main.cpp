// deposito: the tank controller. One window; "Arrancar" asks whether to use
// the simulator or the card and starts the 500 ms control cycle.
#include "acceso_ventanas.h"
#include "operador.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("deposito");
  acceso::usar_ventanas();
  Tform_visual ventana;
  ventana.show();
  return app.exec();
}
