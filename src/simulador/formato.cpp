#include "formato.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>
#include <vector>

namespace {

// The C locale object, made once and never freed.
locale_t locale_c() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace

std::string formato_c(const char* formato, ...) {
  // uselocale changes only this thread's locale, and only for the call.
  const locale_t anterior = uselocale(locale_c());
  va_list args;
  va_start(args, formato);
  va_list copia;
  va_copy(copia, args);
  char corto[64];
  const int n = std::vsnprintf(corto, sizeof corto, formato, args);
  va_end(args);
  std::string texto;
  if (n < 0) {
    texto.clear();
  } else if (static_cast<size_t>(n) < sizeof corto) {
    texto.assign(corto, static_cast<size_t>(n));
  } else {
    std::vector<char> largo(static_cast<size_t>(n) + 1);
    std::vsnprintf(largo.data(), largo.size(), formato, copia);
    texto.assign(largo.data(), static_cast<size_t>(n));
  }
  va_end(copia);
  uselocale(anterior);
  return texto;
}
