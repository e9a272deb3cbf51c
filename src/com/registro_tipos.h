// Registration of type libraries in the registry file, and loading a library
// by its identifier from there.
#pragma once

#include <string>

#include "interfaces.h"

namespace com {

// Writes what type-library registration writes:
//   TypeLib\{LIBID}\M.m            @ = the library's help string
//   TypeLib\{LIBID}\M.m\<lcid>\win32 @ = archivo      (lcid in hexadecimal)
//   TypeLib\{LIBID}\M.m\FLAGS      @ = the library flags in decimal
//   TypeLib\{LIBID}\M.m\HELPDIR    @ = carpeta_ayuda
//   and for each dual or dispatch interface:
//   Interface\{IID}                 @ = its name
//   Interface\{IID}\ProxyStubClsid  @ / ProxyStubClsid32 @ = the type-library marshaler
//   Interface\{IID}\TypeLib         @ = {LIBID}, "Version" = M.m
HRESULT RegisterTypeLib(ITypeLib* biblioteca, const std::string& archivo, const std::string& carpeta_ayuda);

// Finds the registered file of library libid with major version `mayor` and a
// minor version of at least `menor` (the highest such), for the locale lcid or
// the neutral one, and loads it. TYPE_E_LIBNOTREGISTERED when there is none.
HRESULT LoadRegTypeLib(const GUID& libid, WORD mayor, WORD menor, LCID lcid, ITypeLib** resultado);

}  // namespace com
