#include "activacion.h"

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

namespace {
bool crear_carpetas(const std::string& c) {
  if (c.empty() || c == "/") return true;
  struct stat st;
  if (::stat(c.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t barra = c.rfind('/');
  if (barra != std::string::npos && barra > 0 && !crear_carpetas(c.substr(0, barra))) return false;
  return ::mkdir(c.c_str(), 0755) == 0 || errno == EEXIST;
}
}  // namespace

HRESULT escribir_servicio_dbus(const std::string& nombre_bus, const std::string& orden) {
  if (orden.find_first_of("\n\r") != std::string::npos) return E_INVALIDARG;
  std::string carpeta = carpeta_servicios_dbus();
  if (!crear_carpetas(carpeta)) {
    std::fprintf(stderr, "kalovet: cannot create %s: %s\n", carpeta.c_str(), std::strerror(errno));
    return E_ACCESSDENIED;
  }
  std::string ruta = archivo_servicio_dbus(nombre_bus);
  std::string temporal = ruta + ".tmp." + std::to_string(::getpid());
  std::string texto = "[D-BUS Service]\nName=" + nombre_bus + "\nExec=" + orden + "\n";
  int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "kalovet: cannot write %s: %s\n", temporal.c_str(), std::strerror(errno));
    return E_ACCESSDENIED;
  }
  bool ok = ::write(fd, texto.data(), texto.size()) == static_cast<ssize_t>(texto.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temporal.c_str(), ruta.c_str()) != 0) {
    std::fprintf(stderr, "kalovet: cannot write %s: %s\n", ruta.c_str(), std::strerror(errno));
    ::unlink(temporal.c_str());
    return E_ACCESSDENIED;
  }
  return S_OK;
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
