// Identifiers, HRESULT numbers, BSTR and VariantChangeType to text.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "bstr.h"
#include "interfaces.h"
#include "variante.h"

using namespace com;

TEST(Guid, TextoEntreLlavesEnMayusculasYVuelta) {
  EXPECT_EQ(texto_guid(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  GUID g = guid_de("{eb615243-29de-11d5-bb98-000001182375}");
  EXPECT_EQ(texto_guid(g), "{EB615243-29DE-11D5-BB98-000001182375}");
  EXPECT_EQ(g.Data1, 0xEB615243u);
  EXPECT_EQ(g.Data4[7], 0x75);
  EXPECT_EQ(leer_guid(texto_guid(g)), g);
}

TEST(Guid, TextosMalFormadosNoSonIdentificadores) {
  for (const char* t : {"", "{}", "EB615243-29DE-11D5-BB98-000001182375", "{EB615243-29DE-11D5-BB98-00000118237}",
                        "{EB615243-29DE-11D5-BB98-0000011823755}", "{EB615243+29DE-11D5-BB98-000001182375}",
                        "{EB61524G-29DE-11D5-BB98-000001182375}", "(EB615243-29DE-11D5-BB98-000001182375)"})
    EXPECT_FALSE(leer_guid(t).has_value()) << t;
}

TEST(Hresult, NumerosYNombresDeWindows) {
  struct Caso {
    HRESULT valor;
    uint32_t numero;
    const char* nombre;
  } casos[] = {
      {S_OK, 0, "S_OK"},
      {E_NOINTERFACE, 0x80004002, "E_NOINTERFACE"},
      {E_POINTER, 0x80004003, "E_POINTER"},
      {E_OUTOFMEMORY, 0x8007000E, "E_OUTOFMEMORY"},
      {CLASS_E_NOAGGREGATION, 0x80040110, "CLASS_E_NOAGGREGATION"},
      {DISP_E_UNKNOWNNAME, 0x80020006, "DISP_E_UNKNOWNNAME"},
      {DISP_E_MEMBERNOTFOUND, 0x80020003, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_BADPARAMCOUNT, 0x8002000E, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_TYPEMISMATCH, 0x80020005, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNINTERFACE, 0x80020001, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_EXCEPTION, 0x80020009, "DISP_E_EXCEPTION"},
      {TYPE_E_LIBNOTREGISTERED, 0x8002801D, "TYPE_E_LIBNOTREGISTERED"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(static_cast<uint32_t>(c.valor), c.numero) << c.nombre;
    EXPECT_EQ(nombre_hresult(c.valor), c.nombre);
  }
  EXPECT_TRUE(FAILED(E_POINTER));
  EXPECT_EQ(texto_hresult(E_NOINTERFACE), "0x80004002");
  EXPECT_EQ(nombre_hresult(static_cast<HRESULT>(0x80001234)), "HRESULT_80001234");
}

TEST(Interfaces, OrdenDeLasRanurasDeIDispatch) {
  // The virtual table of a dual interface holds IUnknown's three methods, then
  // IDispatch's four, in this order; a client calling by slot relies on it.
  struct Registro : IDispatch {
    int llamado = -1;
    HRESULT QueryInterface(REFIID, void**) override { return llamado = 0; }
    ULONG AddRef() override { return llamado = 1; }
    ULONG Release() override { return llamado = 2; }
    HRESULT GetTypeInfoCount(UINT*) override { return llamado = 3; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return llamado = 4; }
    HRESULT GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) override { return llamado = 5; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
      return llamado = 6;
    }
  } objeto;
  void** vtabla = *reinterpret_cast<void***>(static_cast<IDispatch*>(&objeto));
  using F0 = HRESULT (*)(void*, const IID*, void**);
  using F1 = ULONG (*)(void*);
  using F3 = HRESULT (*)(void*, UINT*);
  reinterpret_cast<F0>(vtabla[0])(&objeto, &IID_NULL, nullptr);
  EXPECT_EQ(objeto.llamado, 0);
  reinterpret_cast<F1>(vtabla[2])(&objeto);
  EXPECT_EQ(objeto.llamado, 2);
  reinterpret_cast<F3>(vtabla[3])(&objeto, nullptr);
  EXPECT_EQ(objeto.llamado, 3);
}

TEST(Bstr, LongitudPrefijadaYCerosInternos) {
  const char16_t datos[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(datos, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  uint32_t prefijo;
  std::memcpy(&prefijo, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(prefijo, 6u);
  EXPECT_EQ(s[3], 0);
  EXPECT_EQ(ansi_de_bstr(s), "a");  // up to the first zero character
  SysFreeString(s);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR t = bstr_de("Conectat a: \xC3\xA9");
  EXPECT_EQ(SysStringLen(t), 13u);
  EXPECT_EQ(ansi_de_bstr(t), "Conectat a: \xC3\xA9");
  SysFreeString(t);
  EXPECT_TRUE(iguales_sin_caso(u"EnviaStr", u"ENVIASTR"));
  EXPECT_FALSE(iguales_sin_caso(u"EnviaStr", u"EnviaSt"));
}

namespace {

struct CasoTexto {
  const char* nombre;
  VARIANT v;
  HRESULT esperado;
  const char* texto;
};

VARIANT var(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}
template <class F>
VARIANT var(VARTYPE vt, F relleno) {
  VARIANT v = var(vt);
  relleno(v);
  return v;
}

// An object whose value property answers a number.
struct ConValor : IDispatch {
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || !tiene_valor) return DISP_E_MEMBERNOTFOUND;
    r->vt = VT_I4;
    r->lVal = 7;
    return S_OK;
  }
  bool tiene_valor = true;
};

}  // namespace

TEST(VariantChangeType, ATextoConPuntoDecimal) {
  // A locale with a decimal comma must not change the texts.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  static ConValor con_valor, sin_valor;
  sin_valor.tiene_valor = false;
  static int32_t entero_ref = -12;
  static VARIANT variante_ref = var(VT_R8, [](VARIANT& v) { v.dblVal = 0.1; });
  CasoTexto casos[] = {
      {"vacio", var(VT_EMPTY), S_OK, ""},
      {"nulo", var(VT_NULL), DISP_E_TYPEMISMATCH, nullptr},
      {"error", var(VT_ERROR, [](VARIANT& v) { v.scode = E_FAIL; }), DISP_E_TYPEMISMATCH, nullptr},
      {"i1", var(VT_I1, [](VARIANT& v) { v.cVal = -5; }), S_OK, "-5"},
      {"i2", var(VT_I2, [](VARIANT& v) { v.iVal = -32768; }), S_OK, "-32768"},
      {"i4", var(VT_I4, [](VARIANT& v) { v.lVal = 42; }), S_OK, "42"},
      {"i8", var(VT_I8, [](VARIANT& v) { v.llVal = -9000000000LL; }), S_OK, "-9000000000"},
      {"ui1", var(VT_UI1, [](VARIANT& v) { v.bVal = 255; }), S_OK, "255"},
      {"ui4", var(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000u; }), S_OK, "4000000000"},
      {"ui8", var(VT_UI8, [](VARIANT& v) { v.ullVal = 18446744073709551615ull; }), S_OK, "18446744073709551615"},
      {"int", var(VT_INT, [](VARIANT& v) { v.intVal = 7; }), S_OK, "7"},
      {"r8 medio", var(VT_R8, [](VARIANT& v) { v.dblVal = 2.5; }), S_OK, "2.5"},
      {"r8 negativo", var(VT_R8, [](VARIANT& v) { v.dblVal = -1.0; }), S_OK, "-1"},
      {"r8 decima", var(VT_R8, [](VARIANT& v) { v.dblVal = 0.1; }), S_OK, "0.1"},
      {"r8 15 cifras", var(VT_R8, [](VARIANT& v) { v.dblVal = 1.0 / 3.0; }), S_OK, "0.333333333333333"},
      {"r8 grande", var(VT_R8, [](VARIANT& v) { v.dblVal = 1e20; }), S_OK, "1E+20"},
      {"r8 pequeno", var(VT_R8, [](VARIANT& v) { v.dblVal = 2.5e-7; }), S_OK, "2.5E-07"},
      {"r8 menos cero", var(VT_R8, [](VARIANT& v) { v.dblVal = -0.0; }), S_OK, "0"},
      {"r4", var(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }), S_OK, "0.1"},
      {"bool verdadero", var(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), S_OK, "-1"},
      {"bool falso", var(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_FALSE; }), S_OK, "0"},
      {"moneda", var(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 125000; }), S_OK, "12.5"},
      {"moneda negativa", var(VT_CY, [](VARIANT& v) { v.cyVal.int64 = -1; }), S_OK, "-0.0001"},
      {"moneda entera", var(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 30000; }), S_OK, "3"},
      {"fecha", var(VT_DATE, [](VARIANT& v) { v.date = 37028.0; }), S_OK, "2001-05-17"},
      {"fecha y hora", var(VT_DATE, [](VARIANT& v) { v.date = 37028.5729166667; }), S_OK, "2001-05-17 13:45:00"},
      {"hora", var(VT_DATE, [](VARIANT& v) { v.date = 0.25; }), S_OK, "06:00:00"},
      {"fecha fuera de rango", var(VT_DATE, [](VARIANT& v) { v.date = 1e9; }), DISP_E_OVERFLOW, nullptr},
      {"decimal", var(VT_DECIMAL, [](VARIANT& v) {
         v.decVal.scale = 2;
         v.decVal.sign = 0x80;
         v.decVal.Lo64 = 12345;
       }), S_OK, "-123.45"},
      {"decimal mala escala", var(VT_DECIMAL, [](VARIANT& v) { v.decVal.scale = 29; }), E_INVALIDARG, nullptr},
      {"objeto con valor", var(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = &con_valor; }), S_OK, "7"},
      {"objeto sin valor", var(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = &sin_valor; }), DISP_E_TYPEMISMATCH, nullptr},
      {"objeto nulo", var(VT_DISPATCH), DISP_E_TYPEMISMATCH, nullptr},
      {"desconocido", var(VT_UNKNOWN), DISP_E_TYPEMISMATCH, nullptr},
      {"referencia a entero", var(VT_BYREF | VT_I4, [](VARIANT& v) { v.byref = &entero_ref; }), S_OK, "-12"},
      {"referencia a variante", var(VT_BYREF | VT_VARIANT, [](VARIANT& v) { v.pvarVal = &variante_ref; }), S_OK, "0.1"},
      {"referencia nula", var(VT_BYREF | VT_I4), E_POINTER, nullptr},
      {"tipo inexistente", var(99), DISP_E_BADVARTYPE, nullptr},
      {"matriz", var(VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH, nullptr},
  };
  for (auto& c : casos) {
    VARIANT destino;
    VariantInit(&destino);
    HRESULT r = VariantChangeType(&destino, &c.v, 0, VT_BSTR);
    EXPECT_EQ(r, c.esperado) << c.nombre;
    if (c.texto) {
      ASSERT_EQ(destino.vt, VT_BSTR) << c.nombre;
      EXPECT_EQ(ansi_de_bstr(destino.bstrVal), c.texto) << c.nombre;
    } else {
      EXPECT_EQ(destino.vt, VT_EMPTY) << c.nombre << ": a failed change leaves the destination";
    }
    VariantClear(&destino);
  }
  std::setlocale(LC_ALL, "C");
}

TEST(VariantChangeType, EnSitioConservaLaCadenaYLiberaLaAnterior) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = 1024;
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(ansi_de_bstr(v.bstrVal), "1024");
  // BSTR to BSTR in place keeps the same string.
  BSTR antes = v.bstrVal;
  EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_EQ(v.bstrVal, antes);
  // A string keeps its characters, a zero character included.
  const char16_t con_cero[] = {u'1', 0, u'2'};
  VARIANT s;
  VariantInit(&s);
  s.vt = VT_BSTR;
  s.bstrVal = SysAllocStringLen(con_cero, 3);
  VARIANT copia;
  VariantInit(&copia);
  ASSERT_EQ(VariantChangeType(&copia, &s, 0, VT_BSTR), S_OK);
  EXPECT_EQ(SysStringLen(copia.bstrVal), 3u);
  EXPECT_NE(copia.bstrVal, s.bstrVal);
  VariantClear(&copia);
  VariantClear(&s);
  VariantClear(&v);
  // Booleans as words on request.
  VARIANT b;
  VariantInit(&b);
  b.vt = VT_BOOL;
  b.boolVal = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeType(&b, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(ansi_de_bstr(b.bstrVal), "True");
  VariantClear(&b);
}
