// printf-style formatting that always uses the C locale, whatever the process
// locale is (Qt sets it from LANG/LC_ALL at start-up): the panel's numbers use
// a point as decimal separator in every locale.
#pragma once

#include <string>

[[gnu::format(printf, 1, 2)]] std::string formato_c(const char* formato, ...);
