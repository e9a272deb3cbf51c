// testkalovet: the card test panel. The card-or-simulator question comes up
// as the window is created, before it shows.
#include "acceso_ventanas.h"
#include "f.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("testkalovet");
  acceso::usar_ventanas();
  TForm1 ventana;
  ventana.show();
  return app.exec();
}
