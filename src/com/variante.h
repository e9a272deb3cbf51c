// VARIANT helpers: initialisation, clearing, copying and type change.
#pragma once

#include "interfaces.h"

namespace com {

// Flag of VariantChangeType: booleans become "True"/"False" instead of "-1"/"0".
inline constexpr WORD VARIANT_ALPHABOOL = 0x02;

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* destino, const VARIANT* origen);

// Changes the variant to the type vt; destino may be origen. Supported: any
// type to itself, and to VT_BSTR from empty (""), integers, reals (15
// significant digits for VT_R8, 7 for VT_R4, a point as decimal separator,
// "1E+20" exponent form), booleans ("-1"/"0"), currency ("12.5"), decimal,
// dates ("2001-05-17 13:45:00"), strings, objects through their value
// property, and references to any of these. Null, error values and objects
// without a value give DISP_E_TYPEMISMATCH, unknown types DISP_E_BADVARTYPE.
// On failure destino is left as it was.
HRESULT VariantChangeType(VARIANT* destino, const VARIANT* origen, WORD flags, VARTYPE vt);

// RAII holder used by the kit's own code and tests.
class Variante {
 public:
  Variante() { VariantInit(&v_); }
  ~Variante() { VariantClear(&v_); }
  Variante(const Variante&) = delete;
  Variante& operator=(const Variante&) = delete;
  VARIANT* operator&() { return &v_; }
  VARIANT& operator*() { return v_; }
  VARIANT* operator->() { return &v_; }

 private:
  VARIANT v_;
};

}  // namespace com
