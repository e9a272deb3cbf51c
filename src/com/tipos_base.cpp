#include "tipos_base.h"

#include <cstdio>
#include <stdexcept>

namespace com {

std::string nombre_hresult(HRESULT v) {
  struct Nombre {
    HRESULT valor;
    const char* nombre;
  };
  static const Nombre nombres[] = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {E_POINTER, "E_POINTER"},
      {E_FAIL, "E_FAIL"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
      {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
      {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
      {REGDB_E_READREGDB, "REGDB_E_READREGDB"},
      {REGDB_E_WRITEREGDB, "REGDB_E_WRITEREGDB"},
      {CO_E_NOT_SUPPORTED, "CO_E_NOT_SUPPORTED"},
      {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
      {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
      {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
      {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
      {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
      {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
      {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
      {DISP_E_UNKNOWNLCID, "DISP_E_UNKNOWNLCID"},
      {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
      {TYPE_E_LIBNOTREGISTERED, "TYPE_E_LIBNOTREGISTERED"},
      {TYPE_E_ELEMENTNOTFOUND, "TYPE_E_ELEMENTNOTFOUND"},
      {TYPE_E_INVALIDSTATE, "TYPE_E_INVALIDSTATE"},
      {TYPE_E_UNSUPFORMAT, "TYPE_E_UNSUPFORMAT"},
      {TYPE_E_IOERROR, "TYPE_E_IOERROR"},
      {TYPE_E_CANTLOADLIBRARY, "TYPE_E_CANTLOADLIBRARY"},
      {STG_E_FILENOTFOUND, "STG_E_FILENOTFOUND"},
  };
  for (const auto& n : nombres)
    if (n.valor == v) return n.nombre;
  char buf[32];
  std::snprintf(buf, sizeof buf, "HRESULT_%08X", static_cast<unsigned>(v));
  return buf;
}

std::string texto_hresult(HRESULT v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
  return buf;
}

std::string texto_guid(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3),
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

namespace {
int valor_hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<GUID> leer_guid(std::string_view t) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (t.size() != 38 || t.front() != '{' || t.back() != '}') return std::nullopt;
  uint8_t bytes[16];
  size_t pos = 1;
  for (int i = 0; i < 16; ++i) {
    if (pos == 9 || pos == 14 || pos == 19 || pos == 24) {
      if (t[pos] != '-') return std::nullopt;
      ++pos;
    }
    int a = valor_hex(t[pos]), b = valor_hex(t[pos + 1]);
    if (a < 0 || b < 0) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(a * 16 + b);
    pos += 2;
  }
  if (pos != 37) return std::nullopt;
  GUID g;
  g.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  g.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  g.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

GUID guid_de(std::string_view texto) {
  auto g = leer_guid(texto);
  if (!g) throw std::invalid_argument("identificador mal formado: " + std::string(texto));
  return *g;
}

}  // namespace com
