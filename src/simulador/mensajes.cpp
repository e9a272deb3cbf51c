#include "mensajes.h"

#include "estado.h"
#include "refresco.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale.h>

namespace {

// The C locale as an object, so that numbers are written and read with a point
// whatever locale the process runs under (Qt sets it from LANG). uselocale
// changes only the calling thread, and only for the duration of one call.
locale_t locale_c() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

class en_locale_c {
 public:
  en_locale_c() : anterior_(uselocale(locale_c())) {}
  ~en_locale_c() { uselocale(anterior_); }
  en_locale_c(const en_locale_c&) = delete;
  en_locale_c& operator=(const en_locale_c&) = delete;

 private:
  locale_t anterior_;
};

// Appends v as "%f" does in the C locale. std::to_chars with fixed notation and
// six decimals gives the same characters for every finite double; infinities
// and NaN go through printf itself so that their spelling is exactly "%f"'s.
void anadir_f(std::string& s, double v) {
  char buf[400];
  if (std::isfinite(v)) {
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    s.append(buf, r.ptr);
    return;
  }
  en_locale_c c;
  int n = std::snprintf(buf, sizeof buf, "%f", v);
  s.append(buf, static_cast<size_t>(n));
}

}  // namespace

bool es_peticion_lectura(std::string_view texto) { return texto == PETICION_LECTURA; }

std::string componer_estado() {
  std::string s;
  s.reserve(176);
  for (int p = 0; p < 16; ++p) s.push_back(leer_DI(p) != 0 ? '1' : '0');
  s.push_back(',');
  for (int p = 0; p < 16; ++p) {
    anadir_f(s, leer_AD(p));
    if (p < 15) s.push_back(',');
  }
  return s;
}

escritura_leida leer_escritura(const std::string& texto) {
  escritura_leida e;
  std::memset(e.campo, '0', sizeof e.campo - 1);
  e.campo[16] = '\0';
  e.voltios[0] = 0.0;
  e.voltios[1] = 0.0;
  en_locale_c c;
  std::sscanf(texto.c_str(), "%16s,%lf,%lf", e.campo, &e.voltios[0], &e.voltios[1]);
  return e;
}

void aplicar_escritura(const std::string& texto) {
  const escritura_leida e = leer_escritura(texto);
  for (int p = 0; p < 16; ++p) fijar_DO(15 - p, e.campo[p] != '0' ? 1 : 0);
  fijar_DA(0, e.voltios[0]);
  fijar_DA(1, e.voltios[1]);
  mostrar_DO();
  mostrar_DA();
}
