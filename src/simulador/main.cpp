// kalovet, the signal simulator: start-up in the system's order.
#include <exception>

#include "aplicacion.h"
#include "estado.h"
#include "fp.h"
#include "propa.h"
#include "tcpip.h"

int main(int argc, char* argv[]) {
  // 1. The signal store, before anything else.
  iniciar_estado();

  // 2. Start-up of the server module and the command line (switches that
  //    register or unregister and end at once) go here, before any window.

  ventanas::Aplicacion app(argc, argv);
  try {
    // 3. The forms, in this order; the first is the main window.
    fprin = new Tfprin;
    ChatForm = new TChatForm;  // starts listening on port 1024
    Propaganda = new TPropaganda;

    // 4. The message loop; the panel's first showing shows the splash.
    fprin->show();
    app.exec();
  } catch (const std::exception& e) {
    ventanas::mostrar_excepcion(e.what());
  }
  return 0;
}
