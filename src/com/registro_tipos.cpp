#include "registro_tipos.h"

#include <cstdio>

#include "biblioteca_tipos.h"
#include "registro.h"

namespace com {

namespace {

const char* nombre_sistema(WORD syskind) {
  switch (syskind) {
    case SYS_WIN16: return "win16";
    case SYS_MAC: return "mac";
    case SYS_WIN64: return "win64";
    default: return "win32";
  }
}

std::string hex(unsigned v) {
  char b[16];
  std::snprintf(b, sizeof b, "%x", v);
  return b;
}

}  // namespace

HRESULT RegisterTypeLib(ITypeLib* biblioteca, const std::string& archivo, const std::string& carpeta_ayuda) {
  if (!biblioteca) return E_INVALIDARG;
  const DeclBiblioteca* d = nullptr;
  HRESULT r = biblioteca->GetLibAttr(&d);
  if (FAILED(r)) return r;
  std::string libid = texto_guid(d->libid);
  std::string version = hex(d->mayor) + "." + hex(d->menor);
  return modificar_registro([&](Registro& reg) {
    std::string base = std::string(HKCR) + "\\TypeLib\\" + libid + "\\" + version;
    reg.fijar(base, "", d->ayuda);
    reg.fijar(base + "\\" + hex(d->lcid) + "\\" + nombre_sistema(d->syskind), "", archivo);
    reg.fijar(base + "\\FLAGS", "", std::to_string(d->flags));
    reg.fijar(base + "\\HELPDIR", "", carpeta_ayuda);
    for (const auto& t : d->tipos) {
      bool automatizable = t.kind == TKIND_DISPATCH ||
                           (t.kind == TKIND_INTERFACE && (t.flags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
      if (!automatizable) continue;
      std::string clave = std::string(HKCR) + "\\Interface\\" + texto_guid(t.guid);
      reg.fijar(clave, "", t.nombre);
      reg.fijar(clave + "\\ProxyStubClsid", "", texto_guid(CLSID_PSOAInterface));
      reg.fijar(clave + "\\ProxyStubClsid32", "", texto_guid(CLSID_PSOAInterface));
      reg.fijar(clave + "\\TypeLib", "", libid);
      reg.fijar(clave + "\\TypeLib", "Version", version);
    }
    return S_OK;
  });
}

HRESULT LoadRegTypeLib(const GUID& libid, WORD mayor, WORD menor, LCID lcid, ITypeLib** resultado) {
  if (!resultado) return E_POINTER;
  *resultado = nullptr;
  Registro reg;
  if (FAILED(cargar_registro(ruta_registro(), reg))) return TYPE_E_LIBNOTREGISTERED;
  std::string base = std::string(HKCR) + "\\TypeLib\\" + texto_guid(libid);
  // The highest minor version of the same major version, at least `menor`.
  std::string elegida;
  long mejor = -1;
  for (const auto& v : reg.subclaves(base)) {
    unsigned M = 0, m = 0;
    char resto;
    if (std::sscanf(v.c_str(), "%x.%x%c", &M, &m, &resto) != 2) continue;
    if (M == mayor && m >= menor && long(m) > mejor) {
      mejor = m;
      elegida = v;
    }
  }
  if (elegida.empty()) return TYPE_E_LIBNOTREGISTERED;
  std::string ruta_version = base + "\\" + elegida;
  const char* sistemas[] = {"win32", "win64"};
  for (const std::string& loc : {hex(lcid), hex(lcid & 0x3FF), std::string("0"), std::string("9"), std::string("409")})
    for (const char* s : sistemas)
      if (const std::string* archivo = reg.leer(ruta_version + "\\" + loc + "\\" + s, ""))
        return LoadTypeLib(*archivo, resultado);
  // Any locale the library was registered for.
  for (const auto& loc : reg.subclaves(ruta_version))
    for (const char* s : sistemas)
      if (const std::string* archivo = reg.leer(ruta_version + "\\" + loc + "\\" + s, ""))
        return LoadTypeLib(*archivo, resultado);
  return TYPE_E_LIBNOTREGISTERED;
}

}  // namespace com
