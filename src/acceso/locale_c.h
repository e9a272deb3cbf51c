// Formats and reads numbers in the C locale whatever the process locale is
// (QApplication sets the user's locale, which may write a decimal comma).
#pragma once

#include <clocale>
#include <locale.h>

namespace acceso {

// While alive, this thread formats and scans with the C locale.
class LocaleC {
 public:
  LocaleC() : anterior_(uselocale(c())) {}
  ~LocaleC() { uselocale(anterior_); }
  LocaleC(const LocaleC&) = delete;
  LocaleC& operator=(const LocaleC&) = delete;

 private:
  static locale_t c() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
  }
  locale_t anterior_;
};

}  // namespace acceso
