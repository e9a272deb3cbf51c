#include "registro.h"

#include "archivos.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace com {

namespace {

bool iguales_ascii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// Reads a quoted string starting at t[pos] == '"'; pos ends after the closing quote.
bool leer_cadena(std::string_view t, size_t& pos, std::string& s) {
  if (pos >= t.size() || t[pos] != '"') return false;
  ++pos;
  s.clear();
  while (pos < t.size()) {
    char c = t[pos++];
    if (c == '"') return true;
    if (c == '\\') {
      if (pos >= t.size()) return false;
      char e = t[pos++];
      if (e != '\\' && e != '"') return false;
      s.push_back(e);
    } else {
      s.push_back(c);
    }
  }
  return false;
}

std::string escapar(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == '\\' || c == '"') r.push_back('\\');
    r.push_back(c);
  }
  return r;
}

bool texto_escribible(std::string_view s) {
  for (char c : s)
    if (c == '\n' || c == '\r' || c == '\0') return false;
  return true;
}

bool ruta_valida(std::string_view r) {
  if (r.empty() || r.front() == '\\' || r.back() == '\\' || r.front() == '-') return false;
  if (r.find("\\\\") != std::string_view::npos) return false;
  return texto_escribible(r) && r.find(']') == std::string_view::npos;
}

}  // namespace

std::optional<Registro> Registro::leer_texto(std::string_view texto, std::string* error) {
  auto fallo = [&](size_t linea, const std::string& que) -> std::optional<Registro> {
    if (error) *error = "line " + std::to_string(linea) + ": " + que;
    return std::nullopt;
  };
  if (texto.size() >= 3 && texto.substr(0, 3) == "\xEF\xBB\xBF") texto.remove_prefix(3);
  if (texto.find('\0') != std::string_view::npos) return fallo(0, "the file holds a zero byte");
  Registro r;
  ClaveRegistro* actual = nullptr;
  bool cabecera = false;
  size_t numero = 0;
  size_t pos = 0;
  std::string pendiente;  // a value continued on the next line with a final backslash
  size_t linea_pendiente = 0;
  while (pos < texto.size() || !pendiente.empty()) {
    std::string linea;
    if (pos < texto.size()) {
      size_t fin = texto.find('\n', pos);
      if (fin == std::string_view::npos) fin = texto.size();
      linea.assign(texto.substr(pos, fin - pos));
      pos = fin + 1;
      ++numero;
      if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    } else if (!pendiente.empty()) {
      return fallo(linea_pendiente, "value continued past the end of the file");
    }
    if (!pendiente.empty()) {
      size_t i = linea.find_first_not_of(" \t");
      linea = pendiente + (i == std::string::npos ? std::string() : linea.substr(i));
      pendiente.clear();
    }
    if (!cabecera) {
      if (linea.empty()) continue;
      if (linea != "REGEDIT4") return fallo(numero, "the first line is not REGEDIT4");
      cabecera = true;
      continue;
    }
    if (linea.empty() || linea[0] == ';') continue;
    if (linea[0] == '[') {
      if (linea.back() != ']') return fallo(numero, "key line without closing bracket");
      std::string ruta = linea.substr(1, linea.size() - 2);
      if (!ruta_valida(ruta)) return fallo(numero, "bad key name");
      actual = &r.crear(ruta);
      continue;
    }
    if (!actual) return fallo(numero, "value outside any key");
    size_t p = 0;
    std::string nombre;
    if (linea[0] == '@') {
      p = 1;
    } else if (linea[0] == '"') {
      if (!leer_cadena(linea, p, nombre)) return fallo(numero, "bad value name");
    } else {
      return fallo(numero, "line not understood");
    }
    if (p >= linea.size() || linea[p] != '=') return fallo(numero, "\"=\" expected");
    ++p;
    ValorRegistro v;
    v.nombre = nombre;
    if (p < linea.size() && linea[p] == '"') {
      if (!leer_cadena(linea, p, v.dato)) return fallo(numero, "bad string value");
      if (p != linea.size()) return fallo(numero, "text after the string value");
    } else {
      std::string crudo = linea.substr(p);
      if (crudo.empty() || crudo == "-") return fallo(numero, "value without data");
      if (crudo.back() == '\\') {
        crudo.pop_back();
        pendiente = linea.substr(0, p) + crudo;
        linea_pendiente = numero;
        continue;
      }
      size_t dos_puntos = crudo.find(':');
      if (dos_puntos == std::string::npos) return fallo(numero, "value of unknown type");
      v.es_texto = false;
      v.dato = crudo;
    }
    bool hecho = false;
    for (auto& existente : actual->valores)
      if (iguales_ascii(existente.nombre, v.nombre)) {
        existente = v;
        hecho = true;
      }
    if (!hecho) actual->valores.push_back(v);
  }
  if (!cabecera && !texto.empty()) {
    // A file of blank lines only is an empty registry.
    for (char c : texto)
      if (c != '\n' && c != '\r' && c != ' ' && c != '\t') return fallo(1, "the first line is not REGEDIT4");
  }
  return r;
}

std::optional<std::string> Registro::escribir_texto() const {
  std::string s = "REGEDIT4\n";
  for (const auto& c : claves_) {
    if (!ruta_valida(c.ruta)) return std::nullopt;
    s += "\n[" + c.ruta + "]\n";
    for (const auto& v : c.valores) {
      if (!texto_escribible(v.nombre) || !texto_escribible(v.dato)) return std::nullopt;
      s += v.nombre.empty() ? std::string("@") : "\"" + escapar(v.nombre) + "\"";
      s += "=";
      s += v.es_texto ? "\"" + escapar(v.dato) + "\"" : v.dato;
      s += "\n";
    }
  }
  return s;
}

const ClaveRegistro* Registro::buscar(std::string_view ruta) const {
  for (const auto& c : claves_)
    if (iguales_ascii(c.ruta, ruta)) return &c;
  return nullptr;
}

ClaveRegistro& Registro::crear(std::string_view ruta) {
  for (auto& c : claves_)
    if (iguales_ascii(c.ruta, ruta)) return c;
  size_t barra = ruta.rfind('\\');
  if (barra != std::string_view::npos) crear(ruta.substr(0, barra));
  claves_.push_back(ClaveRegistro{std::string(ruta), {}});
  return claves_.back();
}

void Registro::fijar(std::string_view ruta, std::string_view nombre, std::string_view dato) {
  ClaveRegistro& c = crear(ruta);
  for (auto& v : c.valores)
    if (iguales_ascii(v.nombre, nombre)) {
      v.es_texto = true;
      v.dato = dato;
      return;
    }
  c.valores.push_back(ValorRegistro{std::string(nombre), true, std::string(dato)});
}

const std::string* Registro::leer(std::string_view ruta, std::string_view nombre) const {
  const ClaveRegistro* c = buscar(ruta);
  if (!c) return nullptr;
  for (const auto& v : c->valores)
    if (v.es_texto && iguales_ascii(v.nombre, nombre)) return &v.dato;
  return nullptr;
}

std::vector<std::string> Registro::subclaves(std::string_view ruta) const {
  std::vector<std::string> r;
  for (const auto& c : claves_) {
    if (c.ruta.size() <= ruta.size() + 1 || c.ruta[ruta.size()] != '\\') continue;
    if (!iguales_ascii(std::string_view(c.ruta).substr(0, ruta.size()), ruta)) continue;
    std::string resto = c.ruta.substr(ruta.size() + 1);
    if (resto.find('\\') == std::string::npos) r.push_back(resto);
  }
  return r;
}

bool Registro::borrar_arbol(std::string_view ruta) {
  const ClaveRegistro* c = buscar(ruta);
  if (!c) return false;
  std::string propia = c->ruta;
  for (const auto& hija : subclaves(propia)) borrar_arbol(propia + "\\" + hija);
  for (auto it = claves_.begin(); it != claves_.end(); ++it)
    if (iguales_ascii(it->ruta, propia)) {
      claves_.erase(it);
      break;
    }
  return true;
}

std::string ruta_registro() {
  if (const char* e = std::getenv("KALOVET_REGISTRO"); e && *e) return e;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return std::string(x) + "/kalovet/registro.reg";
  const char* h = std::getenv("HOME");
  return std::string(h && *h ? h : "/tmp") + "/.config/kalovet/registro.reg";
}

HRESULT cargar_registro(const std::string& ruta, Registro& r) {
  struct stat st;
  if (::stat(ruta.c_str(), &st) != 0 && errno == ENOENT) {
    r = Registro();
    return S_OK;
  }
  std::ifstream f(ruta, std::ios::binary);
  if (!f || !S_ISREG(st.st_mode)) {
    std::fprintf(stderr, "kalovet: cannot read the registry file %s: %s\n", ruta.c_str(), std::strerror(errno));
    return REGDB_E_READREGDB;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  if (f.bad()) {
    std::fprintf(stderr, "kalovet: cannot read the registry file %s\n", ruta.c_str());
    return REGDB_E_READREGDB;
  }
  std::string error;
  auto leido = Registro::leer_texto(ss.str(), &error);
  if (!leido) {
    std::fprintf(stderr, "kalovet: the registry file %s cannot be read (%s); it is left as it is\n", ruta.c_str(),
                 error.c_str());
    return REGDB_E_READREGDB;
  }
  r = std::move(*leido);
  return S_OK;
}

HRESULT guardar_registro(const std::string& ruta, const Registro& r) {
  auto texto = r.escribir_texto();
  if (!texto) {
    std::fprintf(stderr, "kalovet: a key or value holds a line break; the registry file %s is left as it is\n",
                 ruta.c_str());
    return REGDB_E_WRITEREGDB;
  }
  std::string carpeta = carpeta_de(ruta);
  if (!crear_carpetas(carpeta, 0700)) {
    std::fprintf(stderr, "kalovet: cannot create the folder %s: %s\n", carpeta.c_str(), std::strerror(errno));
    return REGDB_E_WRITEREGDB;
  }
  return escribir_atomico(ruta, *texto, 0600) ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT modificar_registro(const std::function<HRESULT(Registro&)>& cambio) {
  std::string ruta = ruta_registro();
  if (!crear_carpetas(carpeta_de(ruta), 0700)) {
    std::fprintf(stderr, "kalovet: cannot create the folder of %s: %s\n", ruta.c_str(), std::strerror(errno));
    return REGDB_E_WRITEREGDB;
  }
  std::string cerrojo = ruta + ".lock";
  int fd = ::open(cerrojo.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  bool bloqueado = false;
  if (fd >= 0) {
    auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(bloqueado = ::flock(fd, LOCK_EX | LOCK_NB) == 0) && std::chrono::steady_clock::now() < limite)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!bloqueado) std::fprintf(stderr, "kalovet: the registry file %s stays locked; going on\n", ruta.c_str());
  }
  Registro r;
  HRESULT h = cargar_registro(ruta, r);
  if (SUCCEEDED(h)) h = cambio(r);
  if (SUCCEEDED(h)) h = guardar_registro(ruta, r);
  if (fd >= 0) ::close(fd);  // releases the lock
  return h;
}

}  // namespace com
