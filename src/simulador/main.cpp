// kalovet, the signal simulator: start-up in the system's order.
#include <exception>

#include <string>
#include <vector>

#include "Kalovet_atl.h"
#include "aplicacion.h"
#include "estado.h"
#include "fp.h"
#include "propa.h"
#include "tcpip.h"

int main(int argc, char* argv[]) {
  // 1. The signal store, before anything else.
  iniciar_estado();

  // 2. The application's initialisation step: COM, the server module, the
  //    command line and the shutdown check. REGSERVER and UNREGSERVER end
  //    here, before any window exists; they run before the application
  //    object too, so that they work without a display.
  const std::vector<std::string> parametros(argv + 1, argv + argc);
  Kalovet_atl::usar_plataforma_qt();
  if (Kalovet_atl::solo_registro(parametros)) {
    Kalovet_atl::_Module.arrancar(parametros);
    return 0;
  }

  ventanas::Aplicacion app(argc, argv);
  try {
    if (!Kalovet_atl::_Module.arrancar(parametros)) return 0;

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
  // 5. Exit: the class object is revoked (while the application and its bus
  //    connection still exist), then COM goes.
  Kalovet_atl::_Module.terminar();
  return 0;
}
