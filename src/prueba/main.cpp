// testkalovet: the card test panel. The card-or-simulator question comes up
// as the window is created, before it shows.
#include "acceso_ventanas.h"
#include "f.h"

#include "aplicacion.h"

int main(int argc, char** argv) {
  ventanas::Aplicacion app(argc, argv);  // an exception in a handler is shown and the program goes on
  QApplication::setApplicationName("testkalovet");
  acceso::usar_ventanas();
  TForm1 ventana;
  ventana.show();
  return app.exec();
}
