#include "archivos.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace com {

std::string carpeta_de(const std::string& ruta) {
  size_t barra = ruta.rfind('/');
  if (barra == std::string::npos) return ".";
  if (barra == 0) return "/";
  return ruta.substr(0, barra);
}

bool crear_carpetas(const std::string& carpeta, unsigned modo) {
  if (carpeta.empty() || carpeta == "/" || carpeta == ".") return true;
  struct stat st;
  if (::stat(carpeta.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!crear_carpetas(carpeta_de(carpeta), modo)) return false;
  return ::mkdir(carpeta.c_str(), modo) == 0 || errno == EEXIST;
}

namespace {
bool escribir_todo(int fd, const std::string& s) {
  size_t hecho = 0;
  while (hecho < s.size()) {
    ssize_t n = ::write(fd, s.data() + hecho, s.size() - hecho);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    hecho += static_cast<size_t>(n);
  }
  return true;
}
// Removes the temporary files that writers killed before their rename left
// beside `ruta` (their process is gone).
void limpiar_temporales(const std::string& ruta) {
  const std::string carpeta = carpeta_de(ruta);
  const std::string prefijo = ruta.substr(ruta.rfind('/') + 1) + ".tmp.";
  DIR* d = ::opendir(carpeta.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    std::string nombre = e->d_name;
    if (nombre.compare(0, prefijo.size(), prefijo) != 0) continue;
    std::string resto = nombre.substr(prefijo.size());
    if (resto.empty() || resto.find_first_not_of("0123456789") != std::string::npos || resto.size() > 9) continue;
    pid_t pid = static_cast<pid_t>(std::stol(resto));
    if (pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) ::unlink((carpeta + "/" + nombre).c_str());
  }
  ::closedir(d);
}

}  // namespace

bool escribir_atomico(const std::string& ruta, const std::string& texto, unsigned modo) {
  const std::string carpeta = carpeta_de(ruta);
  limpiar_temporales(ruta);
  const std::string temporal = ruta + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, modo);
  if (fd < 0) {
    std::fprintf(stderr, "kalovet: cannot write %s: %s\n", temporal.c_str(), std::strerror(errno));
    return false;
  }
  struct stat st;
  if (::stat(ruta.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
  bool ok = escribir_todo(fd, texto) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temporal.c_str(), ruta.c_str()) != 0) {
    std::fprintf(stderr, "kalovet: cannot write %s: %s\n", ruta.c_str(), std::strerror(errno));
    ::unlink(temporal.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  int dfd = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace com
