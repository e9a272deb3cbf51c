#include "aplicacion.h"

#include <exception>
#include <string>
#include <vector>

#include "cajas.h"

namespace ventanas {
namespace {

std::vector<Comprobacion>& comprobaciones() {
  static std::vector<Comprobacion> lista;
  return lista;
}

}  // namespace

void agregar_comprobacion_cierre(Comprobacion c) {
  if (c) comprobaciones().push_back(std::move(c));
}

void borrar_comprobaciones_cierre() { comprobaciones().clear(); }

bool puede_cerrar() {
  // A copy, so that a check that adds or removes checks does not upset the walk.
  const std::vector<Comprobacion> lista = comprobaciones();
  for (const Comprobacion& c : lista)
    if (!c()) return false;
  return true;
}

void mostrar_excepcion(const char* mensaje) {
  Caja caja;
  caja.titulo = QApplication::applicationName().toStdString();
  caja.texto = mensaje ? mensaje : "";
  if (!caja.texto.empty() && caja.texto.back() != '.') caja.texto += '.';
  caja.botones = Botones::OK;
  caja.icono = Icono::Error;
  caja_mensaje(caja);
}

Aplicacion::Aplicacion(int& argc, char** argv) : QApplication(argc, argv) {}

bool Aplicacion::notify(QObject* receptor, QEvent* evento) {
  try {
    return QApplication::notify(receptor, evento);
  } catch (const std::exception& e) {
    mostrar_excepcion(e.what());
  } catch (...) {
    mostrar_excepcion("Excepción desconocida");
  }
  return false;
}

}  // namespace ventanas
