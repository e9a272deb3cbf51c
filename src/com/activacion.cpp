#include "activacion.h"

#include "archivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace com {

std::string carpeta_servicios_dbus() {
  if (const char* e = std::getenv("KALOVET_SERVICIOS_DBUS"); e && *e) return e;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return std::string(x) + "/dbus-1/services";
  const char* h = std::getenv("HOME");
  return std::string(h && *h ? h : "/tmp") + "/.local/share/dbus-1/services";
}

std::string archivo_servicio_dbus(const std::string& nombre_bus) {
  return carpeta_servicios_dbus() + "/" + nombre_bus + ".service";
}

HRESULT escribir_servicio_dbus(const std::string& nombre_bus, const std::string& orden) {
  if (orden.find_first_of("\n\r") != std::string::npos) return E_INVALIDARG;
  std::string carpeta = carpeta_servicios_dbus();
  if (!crear_carpetas(carpeta, 0755)) {
    std::fprintf(stderr, "kalovet: cannot create %s: %s\n", carpeta.c_str(), std::strerror(errno));
    return E_ACCESSDENIED;
  }
  std::string texto = "[D-BUS Service]\nName=" + nombre_bus + "\nExec=" + orden + "\n";
  return escribir_atomico(archivo_servicio_dbus(nombre_bus), texto, 0644) ? S_OK : E_ACCESSDENIED;
}

HRESULT borrar_servicio_dbus(const std::string& nombre_bus) {
  std::string ruta = archivo_servicio_dbus(nombre_bus);
  if (::unlink(ruta.c_str()) == 0) return S_OK;
  if (errno == ENOENT) return S_FALSE;
  std::fprintf(stderr, "kalovet: cannot remove %s: %s\n", ruta.c_str(), std::strerror(errno));
  return E_ACCESSDENIED;
}

std::string palabra_orden(const std::string& ruta) {
  if (ruta.find_first_of(" \t\"'\\$`") == std::string::npos) return ruta;
  std::string r = "\"";
  for (char c : ruta) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') r.push_back('\\');
    r.push_back(c);
  }
  r.push_back('"');
  return r;
}

}  // namespace com
