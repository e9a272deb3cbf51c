// BSTR: a counted string of 16-bit characters. The length in bytes sits in the
// four bytes before the first character, and a zero character follows the last;
// the string may itself hold zero characters. A null BSTR counts as empty.
#pragma once

#include <string>
#include <string_view>

#include "tipos_base.h"

namespace com {

BSTR SysAllocString(const OLECHAR* s);
BSTR SysAllocStringLen(const OLECHAR* s, UINT longitud);  // s may be null: zero-filled
void SysFreeString(BSTR s);
UINT SysStringLen(BSTR s);

// The platform's ANSI code page is UTF-8: narrow texts of the programs are
// converted to and from 16-bit characters with it. Bad sequences become U+FFFD.
std::u16string ansi_a_ancho(std::string_view texto);
std::string ancho_a_ansi(std::u16string_view texto);

BSTR bstr_de(std::string_view ansi);
// The BSTR as ANSI text, up to its first zero character.
std::string ansi_de_bstr(BSTR s);
std::u16string_view vista(BSTR s);

// Comparison of names without regard to case (letters of the Latin-1 range).
bool iguales_sin_caso(std::u16string_view a, std::u16string_view b);

}  // namespace com
