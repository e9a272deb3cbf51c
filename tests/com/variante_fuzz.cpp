// Fuzz target: VariantChangeType to VT_BSTR of any variant built from the
// bytes (type, flags, value; references point at a value inside the input).
#include <cstdint>
#include <cstring>

#include "bstr.h"
#include "variante.h"

using namespace com;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  if (tam < 4 + 16) return 0;
  VARIANT v;
  VariantInit(&v);
  // Mostly the types a VARIANT holds, by value or by reference; now and then
  // any 16-bit type.
  static const VARTYPE tipos[] = {VT_EMPTY, VT_NULL,    VT_I2,   VT_I4,    VT_R4,  VT_R8,   VT_CY,
                                  VT_DATE,  VT_BSTR,    VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN,
                                  VT_DECIMAL, VT_I1,    VT_UI1,  VT_UI2,   VT_UI4, VT_I8,   VT_UI8,
                                  VT_INT,   VT_UINT};
  uint16_t vt;
  std::memcpy(&vt, datos, 2);
  if (!(vt & 0x8000)) {
    VARTYPE base = tipos[(vt & 0xFF) % (sizeof tipos / sizeof tipos[0])];
    vt = static_cast<uint16_t>(base | ((vt & 0x100) ? VT_BYREF : 0));
  }
  uint16_t flags;
  std::memcpy(&flags, datos + 2, 2);
  unsigned char valor[24] = {};
  std::memcpy(valor, datos + 4, tam - 4 < sizeof valor ? tam - 4 : sizeof valor);
  VARTYPE base = vt & VT_TYPEMASK;
  // Pointers and interfaces cannot come from bytes: they point at our own value.
  VARIANT referida;
  VariantInit(&referida);
  BSTR cadena = nullptr;
  if (vt & VT_BYREF) {
    v.vt = vt;
    if (base == VT_VARIANT) {
      uint16_t otro;
      std::memcpy(&otro, valor, 2);
      referida.vt = otro & VT_TYPEMASK;
      if (referida.vt == VT_BSTR || referida.vt == VT_DISPATCH || referida.vt == VT_UNKNOWN || referida.vt == VT_DECIMAL ||
          referida.vt == VT_VARIANT)
        referida.vt = VT_I4;
      std::memcpy(&referida.llVal, valor + 8, 8);
      v.pvarVal = &referida;
    } else if (base == VT_BSTR) {
      cadena = SysAllocStringLen(reinterpret_cast<const char16_t*>(valor), 8);
      v.byref = &cadena;
    } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
      v.vt = VT_BYREF | VT_I4;
      v.byref = valor;
    } else {
      v.byref = valor;
    }
  } else if (base == VT_BSTR && !(vt & ~VT_TYPEMASK)) {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(reinterpret_cast<const char16_t*>(valor), 12);
  } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
    v.vt = base;  // null object
  } else if (base == VT_DECIMAL) {
    std::memcpy(&v.decVal, valor, sizeof v.decVal);
    v.vt = VT_DECIMAL;
  } else {
    std::memcpy(&v.llVal, valor, 8);
    v.vt = vt;
  }
  VARIANT destino;
  VariantInit(&destino);
  if (SUCCEEDED(VariantChangeType(&destino, &v, flags, VT_BSTR))) {
    if (destino.vt != VT_BSTR) __builtin_trap();
    ansi_de_bstr(destino.bstrVal);
  }
  VariantClear(&destino);
  if (SUCCEEDED(VariantChangeType(&v, &v, flags, VT_BSTR))) VariantClear(&v);
  else if (!(v.vt & VT_BYREF) && (v.vt == VT_BSTR)) VariantClear(&v);
  SysFreeString(cadena);
  return 0;
}
