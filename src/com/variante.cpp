#include "variante.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bstr.h"

namespace com {

void VariantInit(VARIANT* v) {
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_POINTER;
  HRESULT r = S_OK;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_UNKNOWN:
      case VT_DISPATCH:
        if (v->punkVal) v->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(v);
  return r;
}

HRESULT VariantCopy(VARIANT* destino, const VARIANT* origen) {
  if (!destino || !origen) return E_POINTER;
  if (destino == origen) return S_OK;
  VARIANT copia = *origen;
  if (!(origen->vt & VT_BYREF)) {
    if (origen->vt == VT_BSTR && origen->bstrVal) {
      copia.bstrVal = SysAllocStringLen(origen->bstrVal, SysStringLen(origen->bstrVal));
      if (!copia.bstrVal) return E_OUTOFMEMORY;
    } else if ((origen->vt == VT_UNKNOWN || origen->vt == VT_DISPATCH) && origen->punkVal) {
      origen->punkVal->AddRef();
    }
  }
  VariantClear(destino);
  *destino = copia;
  return S_OK;
}

namespace {

std::string real_a_texto(double v, int digitos) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  if (v == 0) return "0";  // also for -0
  char buf[64];
  auto [fin, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digitos);
  if (ec != std::errc()) return "0";
  std::string s(buf, fin);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

std::string real4_a_texto(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  if (v == 0) return "0";
  char buf[64];
  auto [fin, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 7);
  if (ec != std::errc()) return "0";
  std::string s(buf, fin);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

// An unsigned magnitude with `decimales` implied decimal places, trailing
// zeros of the fraction dropped.
std::string escalado_a_texto(bool negativo, unsigned __int128 magnitud, int decimales) {
  std::string digitos;
  do {
    digitos.insert(digitos.begin(), static_cast<char>('0' + static_cast<int>(magnitud % 10)));
    magnitud /= 10;
  } while (magnitud);
  while (static_cast<int>(digitos.size()) <= decimales) digitos.insert(digitos.begin(), '0');
  std::string entero = digitos.substr(0, digitos.size() - decimales);
  std::string fraccion = digitos.substr(digitos.size() - decimales);
  while (!fraccion.empty() && fraccion.back() == '0') fraccion.pop_back();
  std::string r = entero;
  if (!fraccion.empty()) r += "." + fraccion;
  if (negativo && r != "0") r = "-" + r;
  return r;
}

// Days since 1899-12-30 to a civil date (proleptic Gregorian calendar).
void civil_de_dias(int64_t dias, int64_t& anio, unsigned& mes, unsigned& dia) {
  // Days from 1970-01-01: 1899-12-30 is 25569 days before.
  int64_t z = dias - 25569 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = static_cast<int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  dia = doy - (153 * mp + 2) / 5 + 1;
  mes = mp < 10 ? mp + 3 : mp - 9;
  anio = y + (mes <= 2);
}

HRESULT fecha_a_texto(DATE d, std::string& s) {
  // The same range as the platform's dates: years 100 to 9999.
  if (!std::isfinite(d) || d < -657434.0 || d >= 2958466.0) return DISP_E_OVERFLOW;
  // Negative dates count the whole days backwards but the time forwards.
  double dias_d = std::trunc(d);
  double fraccion = std::fabs(d - dias_d);
  int64_t segundos = static_cast<int64_t>(std::llround(fraccion * 86400.0));
  int64_t dias = static_cast<int64_t>(dias_d);
  if (segundos >= 86400) {
    segundos -= 86400;
    dias += d < 0 ? -1 : 1;
  }
  int64_t anio;
  unsigned mes, dia;
  civil_de_dias(dias, anio, mes, dia);
  char buf[64];
  unsigned h = static_cast<unsigned>(segundos / 3600), m = static_cast<unsigned>(segundos / 60 % 60),
           sg = static_cast<unsigned>(segundos % 60);
  if (dias == 0 && segundos != 0)
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", h, m, sg);
  else if (segundos == 0)
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(anio), mes, dia);
  else
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02u:%02u:%02u", static_cast<long long>(anio), mes, dia, h, m, sg);
  s = buf;
  return S_OK;
}

// The text of a variant of a base type (not by reference), or an error.
HRESULT a_texto(const VARIANT& v, WORD flags, BSTR& salida, int profundidad);

HRESULT texto_base(VARTYPE vt, const void* dato, WORD flags, BSTR& salida, int profundidad) {
  std::string s;
  auto leer = [&](auto& x) { std::memcpy(&x, dato, sizeof x); };
  switch (vt) {
    case VT_EMPTY: s = ""; break;
    case VT_NULL:
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    case VT_I1: { int8_t x; leer(x); s = std::to_string(x); break; }
    case VT_I2: { int16_t x; leer(x); s = std::to_string(x); break; }
    case VT_I4:
    case VT_INT: { int32_t x; leer(x); s = std::to_string(x); break; }
    case VT_I8: { int64_t x; leer(x); s = std::to_string(x); break; }
    case VT_UI1: { uint8_t x; leer(x); s = std::to_string(x); break; }
    case VT_UI2: { uint16_t x; leer(x); s = std::to_string(x); break; }
    case VT_UI4:
    case VT_UINT: { uint32_t x; leer(x); s = std::to_string(x); break; }
    case VT_UI8: { uint64_t x; leer(x); s = std::to_string(x); break; }
    case VT_R4: { float x; leer(x); s = real4_a_texto(x); break; }
    case VT_R8: { double x; leer(x); s = real_a_texto(x, 15); break; }
    case VT_BOOL: {
      VARIANT_BOOL x;
      leer(x);
      if (flags & VARIANT_ALPHABOOL)
        s = x ? "True" : "False";
      else
        s = std::to_string(static_cast<int>(x));
      break;
    }
    case VT_CY: {
      CY x;
      leer(x);
      bool neg = x.int64 < 0;
      unsigned __int128 mag = neg ? static_cast<unsigned __int128>(-(static_cast<__int128>(x.int64)))
                                  : static_cast<unsigned __int128>(x.int64);
      s = escalado_a_texto(neg, mag, 4);
      break;
    }
    case VT_DECIMAL: {
      DECIMAL x;
      leer(x);
      if (x.scale > 28 || (x.sign & 0x7F)) return E_INVALIDARG;
      unsigned __int128 mag = (static_cast<unsigned __int128>(x.Hi32) << 64) | x.Lo64;
      s = escalado_a_texto(x.sign & 0x80, mag, x.scale);
      break;
    }
    case VT_DATE: {
      DATE x;
      leer(x);
      HRESULT r = fecha_a_texto(x, s);
      if (FAILED(r)) return r;
      break;
    }
    case VT_BSTR: {
      BSTR x;
      leer(x);
      salida = x ? SysAllocStringLen(x, SysStringLen(x)) : SysAllocStringLen(nullptr, 0);
      return salida ? S_OK : E_OUTOFMEMORY;
    }
    case VT_DISPATCH: {
      IDispatch* x;
      leer(x);
      if (!x || profundidad > 8) return DISP_E_TYPEMISMATCH;
      // An object's text is the text of its value property.
      VARIANT valor;
      VariantInit(&valor);
      DISPPARAMS ninguno{nullptr, nullptr, 0, 0};
      HRESULT r = x->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &ninguno, &valor,
                            nullptr, nullptr);
      if (FAILED(r)) {
        VariantClear(&valor);
        return DISP_E_TYPEMISMATCH;
      }
      r = a_texto(valor, flags, salida, profundidad + 1);
      VariantClear(&valor);
      return r;
    }
    case VT_UNKNOWN: return DISP_E_TYPEMISMATCH;
    default: return DISP_E_BADVARTYPE;
  }
  salida = bstr_de(s);
  return salida ? S_OK : E_OUTOFMEMORY;
}

HRESULT a_texto(const VARIANT& v, WORD flags, BSTR& salida, int profundidad) {
  if (v.vt & VT_ARRAY) return DISP_E_TYPEMISMATCH;
  if (v.vt & VT_BYREF) {
    VARTYPE base = v.vt & VT_TYPEMASK;
    if (!v.byref) return E_POINTER;
    if (base == VT_VARIANT) {
      if (profundidad > 8) return DISP_E_BADVARTYPE;
      return a_texto(*v.pvarVal, flags, salida, profundidad + 1);
    }
    if (base == VT_EMPTY || base == VT_NULL) return DISP_E_BADVARTYPE;
    return texto_base(base, v.byref, flags, salida, profundidad);
  }
  if (v.vt & ~VT_TYPEMASK) return DISP_E_BADVARTYPE;
  if (v.vt == VT_DECIMAL) return texto_base(VT_DECIMAL, &v.decVal, flags, salida, profundidad);
  return texto_base(v.vt, &v.llVal, flags, salida, profundidad);
}

}  // namespace

HRESULT VariantChangeType(VARIANT* destino, const VARIANT* origen, WORD flags, VARTYPE vt) {
  if (!destino || !origen) return E_POINTER;
  if (vt == origen->vt) {
    if (destino == origen) return S_OK;
    return VariantCopy(destino, origen);
  }
  if (vt == VT_EMPTY) {
    VariantClear(destino);
    return S_OK;
  }
  if (vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
  BSTR texto = nullptr;
  HRESULT r = a_texto(*origen, flags, texto, 0);
  if (FAILED(r)) return r;
  VariantClear(destino);
  destino->vt = VT_BSTR;
  destino->bstrVal = texto;
  return S_OK;
}

}  // namespace com
