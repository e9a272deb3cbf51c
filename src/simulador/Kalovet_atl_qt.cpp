// The server module's platform in the program kalovet: the program file's
// name, COM over the session bus, the quit message through Qt's event loop,
// the application's shutdown checks and message boxes; and the automation
// object's links to the message functions and to the communications window.
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <climits>
#include <string>

#include "AutoKalovetImpl.h"
#include "Kalovet_atl.h"
#include "aplicacion.h"
#include "bus.h"
#include "mensajes.h"
#include "tcpip.h"
#include "../ventanas/cajas.h"  // the message boxes

namespace Kalovet_atl {

namespace {

std::string archivo_programa() {
  // No length limit of its own: the link is read until it fits.
  std::string ruta(PATH_MAX, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", ruta.data(), ruta.size());
    if (n < 0) return QCoreApplication::applicationFilePath().toStdString();
    if (static_cast<size_t>(n) < ruta.size()) {
      ruta.resize(static_cast<size_t>(n));
      return ruta;
    }
    ruta.resize(ruta.size() * 2);
  }
}

QByteArray bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

void usar_plataforma_qt() {
  PlataformaServidor p;
  p.archivo_programa = archivo_programa;
  p.iniciar_com = [] { com::bus::CoInitialize(); };
  p.hilo_actual = [] { return static_cast<uint32_t>(::syscall(SYS_gettid)); };
  p.registrar_objeto_clase = com::bus::CoRegisterClassObject;
  p.revocar_objeto_clase = com::bus::CoRevokeClassObject;
  p.uninicializar_com = com::bus::CoUninitialize;
  p.publicar_salida = [] {
    // Like a quit message: the loop ends at its next turn, without asking the
    // shutdown checks.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  };
  p.agregar_comprobacion_cierre = [](std::function<bool()> c) { ventanas::agregar_comprobacion_cierre(std::move(c)); };
  p.preguntar_aviso = [](const std::string& titulo, const std::string& texto) {
    ventanas::Caja caja;
    caja.titulo = titulo;
    caja.texto = texto;
    caja.botones = ventanas::Botones::SiNo;
    caja.icono = ventanas::Icono::Aviso;
    caja.no_por_defecto = true;
    return ventanas::caja_mensaje(caja) == ventanas::Respuesta::Si;
  };
  _Module.fijar_plataforma(std::move(p));

  fijar_enlaces_automatizacion({
      [] { return componer_estado(); },
      [](const std::string& t) { aplicar_escritura(t); },
      [](const std::string& t) {
        if (ChatForm) ChatForm->mostrar_trasmes(bytes(t));
      },
      [](const std::string& t) {
        if (ChatForm) ChatForm->mostrar_rebut(bytes(t));
      },
  });
}

}  // namespace Kalovet_atl
