#include "bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace com {

namespace {
constexpr size_t kCabecera = sizeof(uint32_t);
}

BSTR SysAllocStringLen(const OLECHAR* s, UINT longitud) {
  // The byte length must fit the 32-bit prefix.
  if (longitud > (std::numeric_limits<uint32_t>::max() - 16) / sizeof(OLECHAR)) return nullptr;
  size_t bytes = size_t(longitud) * sizeof(OLECHAR);
  auto* bloque = static_cast<unsigned char*>(std::malloc(kCabecera + bytes + sizeof(OLECHAR)));
  if (!bloque) return nullptr;
  uint32_t prefijo = static_cast<uint32_t>(bytes);
  std::memcpy(bloque, &prefijo, kCabecera);
  auto* datos = reinterpret_cast<OLECHAR*>(bloque + kCabecera);
  if (s)
    std::memcpy(datos, s, bytes);
  else
    std::memset(datos, 0, bytes);
  datos[longitud] = 0;
  return datos;
}

BSTR SysAllocString(const OLECHAR* s) {
  if (!s) return nullptr;
  return SysAllocStringLen(s, static_cast<UINT>(std::char_traits<char16_t>::length(s)));
}

void SysFreeString(BSTR s) {
  if (s) std::free(reinterpret_cast<unsigned char*>(s) - kCabecera);
}

UINT SysStringLen(BSTR s) {
  if (!s) return 0;
  uint32_t prefijo;
  std::memcpy(&prefijo, reinterpret_cast<unsigned char*>(s) - kCabecera, kCabecera);
  return prefijo / sizeof(OLECHAR);
}

std::u16string ansi_a_ancho(std::string_view t) {
  std::u16string r;
  r.reserve(t.size());
  size_t i = 0;
  auto cont = [&](size_t k) { return k < t.size() && (static_cast<unsigned char>(t[k]) & 0xC0) == 0x80; };
  while (i < t.size()) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c & 0xE0) == 0xC0 && cont(i + 1)) {
      cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(t[i + 1]) & 0x3Fu);
      n = 2;
      if (cp < 0x80) cp = 0xFFFD;
    } else if ((c & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
      cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(t[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(t[i + 2]) & 0x3Fu);
      n = 3;
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    } else if ((c & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(t[i + 1]) & 0x3Fu) << 12) |
           ((static_cast<unsigned char>(t[i + 2]) & 0x3Fu) << 6) | (static_cast<unsigned char>(t[i + 3]) & 0x3Fu);
      n = 4;
      if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
    } else {
      cp = 0xFFFD;
      n = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      r.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      r.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      r.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return r;
}

std::string ancho_a_ansi(std::u16string_view t) {
  std::string r;
  r.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    uint32_t cp = t[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (t[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      r.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      r.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      r.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      r.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      r.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return r;
}

BSTR bstr_de(std::string_view ansi) {
  std::u16string w = ansi_a_ancho(ansi);
  return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

std::u16string_view vista(BSTR s) { return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view(); }

std::string ansi_de_bstr(BSTR s) {
  std::u16string_view v = vista(s);
  size_t cero = v.find(u'\0');
  if (cero != std::u16string_view::npos) v = v.substr(0, cero);
  return ancho_a_ansi(v);
}

namespace {
char16_t mayuscula(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}
}  // namespace

bool iguales_sin_caso(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (mayuscula(a[i]) != mayuscula(b[i])) return false;
  return true;
}

}  // namespace com
