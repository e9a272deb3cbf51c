// The registry under HKEY_CLASSES_ROOT, kept in a file in the registry-export
// text format:
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\CLSID\{...}]
//   @="Automation per a Kalovet"
//   "ThreadingModel"="Single"
//
// Keys are matched without regard to case and keep the order in which they
// were created; values keep the order in which they were first written. Values
// other than strings (dword:, hex:) are kept as they were read. The file is
// rewritten atomically (a temporary file in the same folder, then rename), so
// it is always either the old or the new whole file. A file that cannot be
// read is never overwritten: the operation fails and says why on stderr.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tipos_base.h"

namespace com {

inline constexpr const char* HKCR = "HKEY_CLASSES_ROOT";

struct ValorRegistro {
  std::string nombre;  // empty: the key's default value ("@")
  bool es_texto = true;
  std::string dato;  // the string, or the raw text after "=" for other types
};

struct ClaveRegistro {
  std::string ruta;  // full path, as "HKEY_CLASSES_ROOT\CLSID\{...}"
  std::vector<ValorRegistro> valores;
};

class Registro {
 public:
  // Reads the text form; on failure returns nothing and says where in `error`.
  static std::optional<Registro> leer_texto(std::string_view texto, std::string* error = nullptr);
  // The text form; fails (nothing) if a key or string holds a line break or a zero.
  std::optional<std::string> escribir_texto() const;

  const ClaveRegistro* buscar(std::string_view ruta) const;
  // Creates the key and every missing parent.
  ClaveRegistro& crear(std::string_view ruta);
  // Creates the key if needed and writes (or overwrites) a string value.
  void fijar(std::string_view ruta, std::string_view nombre, std::string_view dato);
  const std::string* leer(std::string_view ruta, std::string_view nombre) const;
  // Names of the immediate subkeys, in order.
  std::vector<std::string> subclaves(std::string_view ruta) const;
  // Removes the key with all its values and subkeys, each subkey before its
  // parent. False if the key does not exist.
  bool borrar_arbol(std::string_view ruta);
  const std::vector<ClaveRegistro>& claves() const { return claves_; }

 private:
  std::vector<ClaveRegistro> claves_;
};

// KALOVET_REGISTRO, else $XDG_CONFIG_HOME/kalovet/registro.reg, else
// $HOME/.config/kalovet/registro.reg.
std::string ruta_registro();

// A missing file reads as an empty registry. REGDB_E_READREGDB for a file that
// cannot be read or parsed (reported on stderr).
HRESULT cargar_registro(const std::string& ruta, Registro& r);
// REGDB_E_WRITEREGDB when the file cannot be written (reported on stderr); the
// old file is then left as it was.
HRESULT guardar_registro(const std::string& ruta, const Registro& r);

// Reads the registry file, lets `cambio` change it and writes it back if
// `cambio` returns success. The file is locked (advisory lock beside it, waited
// for at most 5 seconds) so that two programs registering at once do not lose
// each other's keys.
HRESULT modificar_registro(const std::function<HRESULT(Registro&)>& cambio);

}  // namespace com
