// Type libraries: the binary form, loading from a library file and from a
// program file, registration, and name lookup and calls through type information.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "Kalovet_tlb.h"
#include "biblioteca_tipos.h"
#include "bstr.h"
#include "registro.h"
#include "registro_tipos.h"
#include "variante.h"

using namespace com;

namespace {

struct Carpeta {
  Carpeta() {
    char plantilla[] = "/tmp/kalovet_tlb_XXXXXX";
    ruta = mkdtemp(plantilla);
  }
  ~Carpeta() { std::system(("rm -rf '" + ruta + "'").c_str()); }
  std::string ruta;
};

// A bare IAutoKalovet that records the calls that reach its ranuras.
struct Grabadora : Kalovet_tlb::IAutoKalovet {
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, OLECHAR**, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  HRESULT EnviaStr(VARIANT Dato) override {
    recibido = Dato.vt == VT_BSTR ? ansi_de_bstr(Dato.bstrVal) : "vt" + std::to_string(Dato.vt);
    return resultado;
  }
  HRESULT ConsultaStr(BSTR* Dato) override {
    *Dato = bstr_de("estado");
    return resultado;
  }
  std::string recibido;
  HRESULT resultado = S_OK;
};

ITypeInfo* info_de_interfaz(ITypeLib* lib) {
  ITypeInfo* info = nullptr;
  EXPECT_EQ(lib->GetTypeInfoOfGuid(Kalovet_tlb::IID_IAutoKalovet, &info), S_OK);
  return info;
}

}  // namespace

TEST(BibliotecaTipos, FormaBinariaIdaYVuelta) {
  auto bytes = escribir_biblioteca(Kalovet_tlb::declaraciones());
  DeclBiblioteca b;
  ASSERT_EQ(leer_biblioteca(bytes.data(), bytes.size(), b), S_OK);
  EXPECT_EQ(b.nombre, "kalovet");
  EXPECT_EQ(b.lcid, 0x0409u);
  EXPECT_EQ(b.ayuda, "kalovet Library");
  ASSERT_EQ(b.importa.size(), 1u);
  EXPECT_EQ(b.importa[0].archivo, "STDOLE2.TLB");
  ASSERT_EQ(b.tipos.size(), 2u);
  const DeclTipo& i = b.tipos[0];
  EXPECT_EQ(i.flags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(i.ranuras, 9);
  EXPECT_EQ(i.funciones[1].nombre, "ConsultaStr");
  EXPECT_EQ(i.funciones[1].slot, 8);
  EXPECT_TRUE(i.funciones[1].parametros[0].puntero);
  EXPECT_EQ(b.tipos[1].flags, TYPEFLAG_FCANCREATE);
  EXPECT_EQ(escribir_biblioteca(b), bytes);
}

TEST(BibliotecaTipos, CualquierRecorteOAnadidoSeRechaza) {
  auto bytes = escribir_biblioteca(Kalovet_tlb::declaraciones());
  DeclBiblioteca b;
  for (size_t n = 0; n < bytes.size(); ++n)
    ASSERT_EQ(leer_biblioteca(bytes.data(), n, b), TYPE_E_UNSUPFORMAT) << n;
  bytes.push_back(0);
  EXPECT_EQ(leer_biblioteca(bytes.data(), bytes.size(), b), TYPE_E_UNSUPFORMAT);
}

TEST(BibliotecaTipos, SeCargaDelArchivoDeLaBibliotecaYDelPrograma) {
  // This test program carries the library in its own file, as kalovet does.
  for (const std::string& archivo : {std::string(KALOVET_TLB_ARCHIVO), std::string("/proc/self/exe")}) {
    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadTypeLib(archivo, &lib), S_OK) << archivo;
    const DeclBiblioteca* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->libid, Kalovet_tlb::LIBID_kalovet);
    EXPECT_EQ(lib->GetTypeInfoCount(), 2u);
    ITypeInfo* clase = nullptr;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(Kalovet_tlb::CLSID_AutoKalovet, &clase), S_OK);
    clase->Release();
    ITypeInfo* nada = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(lib->GetTypeInfoOfGuid(IID_IDispatch, &nada), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(nada, nullptr);
    lib->Release();
  }
}

TEST(BibliotecaTipos, ArchivosSinBiblioteca) {
  Carpeta c;
  std::ofstream(c.ruta + "/basura") << "no soy nada";
  auto bytes = escribir_biblioteca(Kalovet_tlb::declaraciones());
  std::ofstream(c.ruta + "/rota.tlb", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 40);
  struct Caso {
    std::string archivo;
    HRESULT esperado;
  } casos[] = {
      {c.ruta + "/no_existe", TYPE_E_CANTLOADLIBRARY},
      {c.ruta, TYPE_E_CANTLOADLIBRARY},
      {c.ruta + "/basura", TYPE_E_CANTLOADLIBRARY},
      {c.ruta + "/rota.tlb", TYPE_E_UNSUPFORMAT},
      {"/bin/sh", TYPE_E_CANTLOADLIBRARY},  // a program file without the section
  };
  for (const auto& caso : casos) {
    ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
    EXPECT_EQ(LoadTypeLib(caso.archivo, &lib), caso.esperado) << caso.archivo;
    EXPECT_EQ(lib, nullptr);
  }
}

TEST(BibliotecaTipos, RegistroYCargaPorIdentificador) {
  Carpeta c;
  setenv("KALOVET_REGISTRO", (c.ruta + "/registro.reg").c_str(), 1);
  ITypeLib* lib = nullptr;
  EXPECT_EQ(LoadRegTypeLib(Kalovet_tlb::LIBID_kalovet, 1, 0, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  ASSERT_EQ(LoadTypeLib(KALOVET_TLB_ARCHIVO, &lib), S_OK);
  ASSERT_EQ(RegisterTypeLib(lib, KALOVET_TLB_ARCHIVO, "/ayuda"), S_OK);
  lib->Release();
  Registro reg;
  ASSERT_EQ(cargar_registro(c.ruta + "/registro.reg", reg), S_OK);
  const std::string base = "HKEY_CLASSES_ROOT\\TypeLib\\{EB615240-29DE-11D5-BB98-000001182375}\\1.0";
  EXPECT_EQ(*reg.leer(base, ""), "kalovet Library");
  EXPECT_EQ(*reg.leer(base + "\\409\\win32", ""), KALOVET_TLB_ARCHIVO);
  EXPECT_EQ(*reg.leer(base + "\\FLAGS", ""), "0");
  EXPECT_EQ(*reg.leer(base + "\\HELPDIR", ""), "/ayuda");
  const std::string itf = "HKEY_CLASSES_ROOT\\Interface\\{EB615241-29DE-11D5-BB98-000001182375}";
  EXPECT_EQ(*reg.leer(itf, ""), "IAutoKalovet");
  EXPECT_EQ(*reg.leer(itf + "\\ProxyStubClsid32", ""), "{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(*reg.leer(itf + "\\TypeLib", ""), "{EB615240-29DE-11D5-BB98-000001182375}");
  EXPECT_EQ(*reg.leer(itf + "\\TypeLib", "Version"), "1.0");
  // Found for any locale, and for a lower minor version; not for another major one.
  EXPECT_EQ(LoadRegTypeLib(Kalovet_tlb::LIBID_kalovet, 1, 0, 0x0C0A, &lib), S_OK);
  lib->Release();
  EXPECT_EQ(LoadRegTypeLib(Kalovet_tlb::LIBID_kalovet, 2, 0, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadRegTypeLib(Kalovet_tlb::LIBID_kalovet, 1, 1, 0, &lib), TYPE_E_LIBNOTREGISTERED);
  unsetenv("KALOVET_REGISTRO");
}

TEST(InfoTipo, NombresSinDistinguirMayusculas) {
  ITypeLib* lib = nullptr;
  ASSERT_EQ(LoadTypeLib(KALOVET_TLB_ARCHIVO, &lib), S_OK);
  ITypeInfo* info = info_de_interfaz(lib);
  struct Caso {
    std::vector<std::u16string> nombres;
    HRESULT esperado;
    std::vector<DISPID> ids;
  } casos[] = {
      {{u"EnviaStr"}, S_OK, {1}},
      {{u"enviastr"}, S_OK, {1}},
      {{u"ENVIASTR"}, S_OK, {1}},
      {{u"ConsultaStr"}, S_OK, {2}},
      {{u"cONSULTAsTR"}, S_OK, {2}},
      {{u"EnviaStr", u"dato"}, S_OK, {1, 0}},
      {{u"EnviaStr", u"Otro"}, DISP_E_UNKNOWNNAME, {1, DISPID_UNKNOWN}},
      {{u"Envia"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
      {{u"QueryInterface"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
  };
  for (const auto& c : casos) {
    std::vector<const OLECHAR*> punteros;
    for (const auto& n : c.nombres) punteros.push_back(n.c_str());
    std::vector<DISPID> ids(c.nombres.size(), 99);
    EXPECT_EQ(info->GetIDsOfNames(punteros.data(), static_cast<UINT>(punteros.size()), ids.data()), c.esperado);
    EXPECT_EQ(ids, c.ids);
  }
  info->Release();
  lib->Release();
}

TEST(InfoTipo, InvokeLlamaPorLaRanuraYConvierteResultados) {
  ITypeLib* lib = nullptr;
  ASSERT_EQ(LoadTypeLib(KALOVET_TLB_ARCHIVO, &lib), S_OK);
  ITypeInfo* info = info_de_interfaz(lib);
  lib->Release();  // the type information keeps its library alive
  Grabadora g;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = bstr_de("0000000000000001,2.5,-1");
  DISPPARAMS uno{&arg, nullptr, 1, 0};
  DISPPARAMS ninguno{nullptr, nullptr, 0, 0};
  VARIANT r;
  VariantInit(&r);
  EXPECT_EQ(info->Invoke(static_cast<Kalovet_tlb::IAutoKalovet*>(&g), 1, DISPATCH_METHOD, &uno, &r, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(g.recibido, "0000000000000001,2.5,-1");
  EXPECT_EQ(r.vt, VT_EMPTY);
  // By reference, a variant reaches the method as the variant it points to.
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &arg;
  DISPPARAMS por_ref{&ref, nullptr, 1, 0};
  g.recibido.clear();
  EXPECT_EQ(info->Invoke(&g, 1, DISPATCH_METHOD, &por_ref, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(g.recibido, "0000000000000001,2.5,-1");

  ASSERT_EQ(info->Invoke(&g, 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &ninguno, &r, nullptr, nullptr), S_OK);
  ASSERT_EQ(r.vt, VT_BSTR);
  EXPECT_EQ(ansi_de_bstr(r.bstrVal), "estado");
  VariantClear(&r);

  struct Caso {
    const char* nombre;
    DISPID id;
    WORD flags;
    DISPPARAMS* p;
    HRESULT esperado;
  } casos[] = {
      {"miembro inexistente", 3, DISPATCH_METHOD, &ninguno, DISP_E_MEMBERNOTFOUND},
      {"propiedad en vez de metodo", 1, DISPATCH_PROPERTYPUT, &uno, DISP_E_MEMBERNOTFOUND},
      {"falta el argumento", 1, DISPATCH_METHOD, &ninguno, DISP_E_BADPARAMCOUNT},
      {"argumento de mas", 2, DISPATCH_METHOD, &uno, DISP_E_BADPARAMCOUNT},
      {"sin parametros", 2, DISPATCH_METHOD, nullptr, E_INVALIDARG},
  };
  for (const auto& c : casos)
    EXPECT_EQ(info->Invoke(&g, c.id, c.flags, c.p, &r, nullptr, nullptr), c.esperado) << c.nombre;
  DISPID nombrado = 0;
  DISPPARAMS con_nombre{&arg, &nombrado, 1, 1};
  EXPECT_EQ(info->Invoke(&g, 1, DISPATCH_METHOD, &con_nombre, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);
  // A failing method comes back as an exception carrying its result.
  g.resultado = E_FAIL;
  EXCEPINFO ex;
  EXPECT_EQ(info->Invoke(&g, 2, DISPATCH_METHOD, &ninguno, &r, &ex, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(ex.scode, E_FAIL);
  EXPECT_EQ(r.vt, VT_EMPTY);
  VariantClear(&arg);
  info->Release();
}
