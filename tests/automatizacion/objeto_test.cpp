// The automation object in process: interface map, creation through the class
// factory (plain and aggregated), lock count, late binding and the two
// methods' texts; and the server module's switches, registration, quit rule
// and shutdown check.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "AutoKalovetImpl.h"
#include "Kalovet_atl.h"
#include "Kalovet_tlb.h"
#include "biblioteca_tipos.h"
#include "bstr.h"
#include "registro.h"
#include "registro_tipos.h"
#include "variante.h"

using namespace com;
using Kalovet_atl::_Module;
using Kalovet_tlb::IAutoKalovet;
using Kalovet_tlb::IID_IAutoKalovet;

namespace {

std::string leer_archivo(const std::string& ruta) {
  std::ifstream f(ruta);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// The simulator around the object: a state reply, the applied texts, the memos.
struct Simulador {
  std::string estado = "0000000000000000,0.000000";
  std::vector<std::string> aplicados;
  std::string memo1 = "<<<<", memo2 = ">>>";
  int memo1_cambios = 0;
};

class Automatizacion : public ::testing::Test {
 protected:
  void SetUp() override {
    char plantilla[] = "/tmp/kalovet_auto_XXXXXX";
    carpeta = mkdtemp(plantilla);
    registro = carpeta + "/registro.reg";
    setenv("KALOVET_REGISTRO", registro.c_str(), 1);
    setenv("KALOVET_SERVICIOS_DBUS", (carpeta + "/servicios").c_str(), 1);
    fijar_enlaces_automatizacion({
        [this] { return sim.estado; },
        [this](const std::string& t) { sim.aplicados.push_back(t); },
        [this](const std::string& t) {
          sim.memo1 = t;
          ++sim.memo1_cambios;
        },
        [this](const std::string& t) { sim.memo2 = t; },
    });
    plataforma.archivo_programa = [this] { return programa; };
    plataforma.publicar_salida = [this] { ++salidas; };
    plataforma.preguntar_aviso = [this](const std::string& t, const std::string& x) {
      avisos.push_back(t + "|" + x);
      return respuesta_si;
    };
    _Module.fijar_plataforma(plataforma);
    ASSERT_EQ(_Module.cuenta_bloqueos(), 0);
    // The type information comes from the registered library.
    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadTypeLib("/proc/self/exe", &lib), S_OK);
    ASSERT_EQ(RegisterTypeLib(lib, "/proc/self/exe", ""), S_OK);
    lib->Release();
    TAutoKalovetImpl::tenedor().liberar();
  }
  void TearDown() override {
    EXPECT_EQ(_Module.cuenta_bloqueos(), 0) << "an object or lock was left behind";
    TAutoKalovetImpl::tenedor().liberar();
    fijar_enlaces_automatizacion({});
    _Module.fijar_plataforma({});
    unsetenv("KALOVET_REGISTRO");
    unsetenv("KALOVET_SERVICIOS_DBUS");
    std::system(("rm -rf '" + carpeta + "'").c_str());
  }
  IAutoKalovet* crear() {
    void* p = nullptr;
    EXPECT_EQ(fabrica_AutoKalovet()->CreateInstance(nullptr, IID_IAutoKalovet, &p), S_OK);
    return static_cast<IAutoKalovet*>(p);
  }

  std::string carpeta, registro;
  std::string programa = "/proc/self/exe";
  Simulador sim;
  Kalovet_atl::PlataformaServidor plataforma;
  int salidas = 0;
  bool respuesta_si = false;
  std::vector<std::string> avisos;
};

// An outer object that counts the calls its inner part forwards.
struct Exterior : IUnknown {
  HRESULT QueryInterface(REFIID, void** r) override {
    ++consultas;
    *r = this;
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  int consultas = 0;
  ULONG refs = 1;
};

}  // namespace

TEST_F(Automatizacion, MapaDeInterfaces) {
  IAutoKalovet* a = crear();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 1);
  void* disp = nullptr;
  void* auto_ = nullptr;
  void* unk = nullptr;
  ASSERT_EQ(a->QueryInterface(IID_IDispatch, &disp), S_OK);
  ASSERT_EQ(a->QueryInterface(IID_IAutoKalovet, &auto_), S_OK);
  ASSERT_EQ(a->QueryInterface(IID_IUnknown, &unk), S_OK);
  EXPECT_EQ(disp, auto_);
  EXPECT_EQ(unk, static_cast<void*>(a));
  void* nada = reinterpret_cast<void*>(1);
  EXPECT_EQ(a->QueryInterface(IID_IClassFactory, &nada), E_NOINTERFACE);
  EXPECT_EQ(nada, nullptr);
  EXPECT_EQ(a->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(a->AddRef(), 5u);
  EXPECT_EQ(a->Release(), 4u);
  EXPECT_EQ(a->Release(), 3u);
  EXPECT_EQ(a->Release(), 2u);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 1);
  EXPECT_EQ(a->Release(), 0u);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 0);
}

TEST_F(Automatizacion, CreacionPorLaFabrica) {
  IClassFactory* f = fabrica_AutoKalovet();
  Exterior ext;
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(f->CreateInstance(&ext, IID_IDispatch, &p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(f->CreateInstance(&ext, IID_IAutoKalovet, &p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 0);
  // An interface the object does not have: the object made for it goes again.
  p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 0);
  // Each request makes a new object.
  void* a = nullptr;
  void* b = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, &a), S_OK);
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, &b), S_OK);
  EXPECT_NE(a, b);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 2);
  static_cast<IUnknown*>(a)->Release();
  static_cast<IUnknown*>(b)->Release();
}

TEST_F(Automatizacion, ObjetoAgregado) {
  Exterior ext;
  void* p = nullptr;
  ASSERT_EQ(fabrica_AutoKalovet()->CreateInstance(&ext, IID_IUnknown, &p), S_OK);
  auto* interior = static_cast<IUnknown*>(p);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 1);
  EXPECT_EQ(ext.refs, 1u);  // the inner IUnknown is counted on its own
  void* disp = nullptr;
  ASSERT_EQ(interior->QueryInterface(IID_IDispatch, &disp), S_OK);
  EXPECT_NE(disp, p);
  EXPECT_EQ(ext.refs, 2u);  // the interface's reference went to the outer object
  auto* a = static_cast<IAutoKalovet*>(disp);
  void* otra = nullptr;
  a->QueryInterface(IID_IAutoKalovet, &otra);
  EXPECT_EQ(ext.consultas, 1);  // asked of the outer object
  EXPECT_EQ(a->AddRef(), 3u);
  a->Release();
  a->Release();
  EXPECT_EQ(ext.refs, 1u);
  // The object works in this form too.
  BSTR s = nullptr;
  EXPECT_EQ(a->ConsultaStr(&s), S_OK);
  EXPECT_EQ(ansi_de_bstr(s), sim.estado);
  SysFreeString(s);
  void* interior2 = nullptr;
  ASSERT_EQ(interior->QueryInterface(IID_IUnknown, &interior2), S_OK);
  EXPECT_EQ(interior2, p);
  EXPECT_EQ(interior->Release(), 1u);
  EXPECT_EQ(interior->Release(), 0u);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 0);
}

namespace {
struct SinMemoria : RaizObjeto, CoClase<SinMemoria, &Kalovet_tlb::CLSID_AutoKalovet>, IUnknown {
  static void* operator new(size_t, const std::nothrow_t&) noexcept { return nullptr; }
  static void operator delete(void*) noexcept {}
  IUnknown* buscar_interfaz(REFIID) { return this; }
};
}  // namespace

TEST_F(Automatizacion, SinMemoria) {
  FabricaClase<SinMemoria> f;
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(f.CreateInstance(nullptr, IID_IUnknown, &p), E_OUTOFMEMORY);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(_Module.cuenta_bloqueos(), 0);
}

TEST_F(Automatizacion, EnlaceTardio) {
  IAutoKalovet* a = crear();
  UINT cuenta = 0;
  EXPECT_EQ(a->GetTypeInfoCount(&cuenta), S_OK);
  EXPECT_EQ(cuenta, 1u);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(a->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  ASSERT_EQ(a->GetTypeInfo(0, 0x0409, &info), S_OK);
  const DeclTipo* attr = nullptr;
  info->GetTypeAttr(&attr);
  EXPECT_EQ(attr->guid, IID_IAutoKalovet);
  info->Release();
  for (const char16_t* n : {u"EnviaStr", u"enviastr", u"ENVIASTR", u"eNvIaStR"}) {
    OLECHAR* nombres[] = {const_cast<OLECHAR*>(n)};
    DISPID id = 0;
    EXPECT_EQ(a->GetIDsOfNames(IID_NULL, nombres, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1);
  }
  for (const char16_t* n : {u"ConsultaStr", u"consultastr", u"CONSULTASTR"}) {
    OLECHAR* nombres[] = {const_cast<OLECHAR*>(n)};
    DISPID id = 0;
    EXPECT_EQ(a->GetIDsOfNames(IID_NULL, nombres, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 2);
  }
  DISPPARAMS ninguno{nullptr, nullptr, 0, 0};
  VARIANT r;
  VariantInit(&r);
  ASSERT_EQ(a->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &ninguno, &r, nullptr, nullptr), S_OK);
  ASSERT_EQ(r.vt, VT_BSTR);
  EXPECT_EQ(ansi_de_bstr(r.bstrVal), sim.estado);
  VariantClear(&r);
  EXPECT_EQ(a->Invoke(2, IID_IDispatch, 0, DISPATCH_METHOD, &ninguno, &r, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);
  a->Release();
}

TEST_F(Automatizacion, SinBibliotecaRegistradaSoloFallaIDispatch) {
  std::remove(registro.c_str());
  IAutoKalovet* a = crear();
  OLECHAR nombre[] = u"EnviaStr";
  OLECHAR* nombres[] = {nombre};
  DISPID id;
  EXPECT_EQ(a->GetIDsOfNames(IID_NULL, nombres, 1, 0, &id), TYPE_E_LIBNOTREGISTERED);
  DISPPARAMS ninguno{nullptr, nullptr, 0, 0};
  EXPECT_EQ(a->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &ninguno, nullptr, nullptr, nullptr), TYPE_E_LIBNOTREGISTERED);
  BSTR s = nullptr;
  EXPECT_EQ(a->ConsultaStr(&s), S_OK);  // the virtual table still works
  SysFreeString(s);
  a->Release();
}

TEST_F(Automatizacion, ConsultaStrDevuelveElEstadoYLoMuestraEnMemo1) {
  IAutoKalovet* a = crear();
  BSTR s1 = nullptr, s2 = nullptr;
  ASSERT_EQ(a->ConsultaStr(&s1), S_OK);
  ASSERT_EQ(a->ConsultaStr(&s2), S_OK);
  EXPECT_EQ(ansi_de_bstr(s1), sim.estado);
  EXPECT_EQ(ansi_de_bstr(s2), sim.estado);
  EXPECT_NE(s1, s2);  // a new string each time, which the caller frees
  EXPECT_EQ(sim.memo1, sim.estado);
  EXPECT_TRUE(sim.aplicados.empty());
  SysFreeString(s1);
  SysFreeString(s2);
  EXPECT_EQ(a->ConsultaStr(nullptr), E_POINTER);
  a->Release();
}

TEST_F(Automatizacion, EnviaStrMuestraYAplicaElTexto) {
  IAutoKalovet* a = crear();
  auto con = [](auto relleno) {
    VARIANT v;
    VariantInit(&v);
    relleno(v);
    return v;
  };
  struct Caso {
    const char* nombre;
    VARIANT v;
    const char* texto;
  } casos[] = {
      {"cadena", con([](VARIANT& v) {
         v.vt = VT_BSTR;
         v.bstrVal = bstr_de("0000000000000001,2.5,-1");
       }), "0000000000000001,2.5,-1"},
      {"lectura no es una peticion", con([](VARIANT& v) {
         v.vt = VT_BSTR;
         v.bstrVal = bstr_de("lectura");
       }), "lectura"},
      {"entero", con([](VARIANT& v) {
         v.vt = VT_I4;
         v.lVal = 1000000000;
       }), "1000000000"},
      {"real", con([](VARIANT& v) {
         v.vt = VT_R8;
         v.dblVal = 2.5;
       }), "2.5"},
      {"nulo", con([](VARIANT& v) { v.vt = VT_NULL; }), ""},
  };
  for (auto& c : casos) {
    sim.aplicados.clear();
    EXPECT_EQ(a->EnviaStr(c.v), S_OK) << c.nombre;
    EXPECT_EQ(sim.memo2, c.texto) << c.nombre;
    EXPECT_EQ(sim.aplicados, std::vector<std::string>{c.texto}) << c.nombre;
    EXPECT_EQ(sim.memo1, "<<<<") << c.nombre << ": nothing is answered";
    VariantClear(&c.v);
  }
  // The same through late binding.
  VARIANT numero;
  VariantInit(&numero);
  numero.vt = VT_I2;
  numero.iVal = -7;
  DISPPARAMS uno{&numero, nullptr, 1, 0};
  sim.aplicados.clear();
  EXPECT_EQ(a->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &uno, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(sim.memo2, "-7");
  EXPECT_EQ(sim.aplicados, std::vector<std::string>{"-7"});
  a->Release();
}

TEST_F(Automatizacion, DosObjetosTrabajanSobreElMismoAlmacen) {
  IAutoKalovet* a = crear();
  IAutoKalovet* b = crear();
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = bstr_de("1000000000000000,0,0");
  a->EnviaStr(v);
  sim.estado = "cambiado";
  BSTR s = nullptr;
  b->ConsultaStr(&s);
  EXPECT_EQ(ansi_de_bstr(s), "cambiado");
  SysFreeString(s);
  VariantClear(&v);
  a->Release();
  b->Release();
}

TEST(Interruptores, ConBarraOGuionSinDistinguirMayusculas) {
  struct Caso {
    const char* parametro;
    bool es;
  } casos[] = {
      {"/regserver", true}, {"-RegServer", true}, {"/REGSERVER", true}, {"-regSERVER", true},
      {"REGSERVER", false}, {"/regserver:x", false}, {"//regserver", false}, {"/ regserver", false},
      {"", false},          {"/", false},           {"/regserve", false},  {"\\regserver", false},
  };
  for (const auto& c : casos) EXPECT_EQ(Kalovet_atl::es_interruptor(c.parametro, "REGSERVER"), c.es) << c.parametro;
  EXPECT_TRUE(Kalovet_atl::hay_interruptor({"x", "-Automation"}, "AUTOMATION"));
  EXPECT_FALSE(Kalovet_atl::hay_interruptor({"x", "Automation"}, "AUTOMATION"));
}

TEST_F(Automatizacion, RegistroDeLaClaseYSuBorrado) {
  std::remove(registro.c_str());
  ASSERT_EQ(_Module.registrar_servidor(), S_OK);
  auto reg = Registro::leer_texto(leer_archivo(registro));
  ASSERT_TRUE(reg);
  // The class's values, in the order they were written.
  std::vector<std::string> valores;
  for (const auto& c : reg->claves()) {
    if (c.ruta.find("TypeLib") != std::string::npos || c.ruta.find("Interface") != std::string::npos) continue;
    for (const auto& v : c.valores)
      valores.push_back(c.ruta.substr(18) + "|" + (v.nombre.empty() ? "@" : v.nombre) + "=" + v.dato);
  }
  const std::string clsid = "CLSID\\{EB615243-29DE-11D5-BB98-000001182375}";
  EXPECT_EQ(valores, (std::vector<std::string>{
                         clsid + "|@=Automation per a Kalovet",
                         clsid + "\\LocalServer32|@=/proc/self/exe /Automation",
                         clsid + "\\LocalServer32|ThreadingModel=Single",
                         "kalovet.AutoKalovet|@=Automation per a Kalovet",
                         "kalovet.AutoKalovet\\CLSID|@={EB615243-29DE-11D5-BB98-000001182375}",
                         clsid + "\\ProgID|@=kalovet.AutoKalovet",
                         clsid + "\\Version|@=1.0",
                         clsid + "\\Typelib|@={EB615240-29DE-11D5-BB98-000001182375}",
                     }));
  // The module's own registration of the library stands last: the program's
  // folder as help folder.
  const std::string lib = "HKEY_CLASSES_ROOT\\TypeLib\\{EB615240-29DE-11D5-BB98-000001182375}\\1.0";
  EXPECT_EQ(*reg->leer(lib + "\\409\\win32", ""), "/proc/self/exe");
  EXPECT_EQ(*reg->leer(lib + "\\HELPDIR", ""), "/proc/self");
  EXPECT_EQ(leer_archivo(carpeta + "/servicios/kalovet.AutoKalovet.service"),
            "[D-BUS Service]\nName=kalovet.AutoKalovet\nExec=/proc/self/exe /Automation\n");

  ASSERT_EQ(_Module.desregistrar_servidor(), S_OK);
  reg = Registro::leer_texto(leer_archivo(registro));
  ASSERT_TRUE(reg);
  for (const auto& c : reg->claves()) {
    EXPECT_EQ(c.ruta.find("{EB615243"), std::string::npos) << c.ruta;
    EXPECT_EQ(c.ruta.find("kalovet.AutoKalovet"), std::string::npos) << c.ruta;
  }
  EXPECT_NE(reg->buscar(lib), nullptr) << "the type library stays registered";
  EXPECT_NE(access((carpeta + "/servicios/kalovet.AutoKalovet.service").c_str(), F_OK), 0);
}

TEST_F(Automatizacion, SinBibliotecaEnElProgramaNoSeEscribeNiBorraNada) {
  ASSERT_EQ(_Module.registrar_servidor(), S_OK);
  const std::string antes = leer_archivo(registro);
  programa = "/bin/sh";  // a program file that carries no library, and no /bin/sh.tlb
  EXPECT_EQ(_Module.registrar_servidor(), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(_Module.desregistrar_servidor(), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(leer_archivo(registro), antes);
}

TEST_F(Automatizacion, BibliotecaJuntoAlProgramaComoTlb) {
  // A program file without the library: the module's own registration of the
  // library takes the file of the same name ending in ".tlb".
  std::system(("mkdir -p '" + carpeta + "/v1.2' && cp /bin/true '" + carpeta + "/v1.2/kalovet.bin' && cp /bin/true '" +
               carpeta + "/v1.2/kalovet'").c_str());
  std::system(("cp '" KALOVET_TLB_ARCHIVO "' '" + carpeta + "/v1.2/kalovet.tlb'").c_str());
  const std::string lib = "HKEY_CLASSES_ROOT\\TypeLib\\{EB615240-29DE-11D5-BB98-000001182375}\\1.0";
  for (const char* nombre : {"/v1.2/kalovet.bin", "/v1.2/kalovet"}) {
    std::remove(registro.c_str());
    programa = carpeta + nombre;
    ASSERT_EQ(_Module.registrar_biblioteca(), S_OK) << nombre;
    auto reg = Registro::leer_texto(leer_archivo(registro));
    ASSERT_TRUE(reg);
    EXPECT_EQ(*reg->leer(lib + "\\409\\win32", ""), carpeta + "/v1.2/kalovet.tlb") << nombre;
    EXPECT_EQ(*reg->leer(lib + "\\HELPDIR", ""), carpeta + "/v1.2") << nombre;
  }
  std::remove((carpeta + "/v1.2/kalovet.tlb").c_str());
  EXPECT_EQ(_Module.registrar_biblioteca(), TYPE_E_CANTLOADLIBRARY);
}

TEST_F(Automatizacion, RutaConBlancoEntreComillas) {
  programa = "/opt/mis programas/kalovet";
  EXPECT_EQ(_Module.orden_servidor(), "\"/opt/mis programas/kalovet\" /Automation");
  programa = "/opt/a\"b$/kalovet";
  EXPECT_EQ(_Module.orden_servidor(), "\"/opt/a\\\"b\\$/kalovet\" /Automation");
  programa = "/usr/bin/kalovet";
  EXPECT_EQ(_Module.orden_servidor(), "/usr/bin/kalovet /Automation");
}

TEST_F(Automatizacion, ReglaDeSalidaYComprobacionDeCierre) {
  struct Caso {
    std::vector<std::string> linea;
    bool sigue;
    int salidas;
  } casos[] = {
      {{"/automation"}, true, 1},
      {{"-Embedding", "-AUTOMATION"}, true, 1},
      {{"/embedding"}, true, 0},
      {{"automation"}, true, 0},  // not a switch: an ordinary start
  };
  for (const auto& c : casos) {
    salidas = 0;
    Kalovet_atl::TATLModule m;
    m.fijar_plataforma(plataforma);
    EXPECT_EQ(m.arrancar(c.linea), c.sigue);
    m.Lock();
    m.Lock();
    m.Unlock();
    EXPECT_EQ(salidas, 0);
    m.Unlock();
    EXPECT_EQ(salidas, c.salidas) << c.linea[0];
    fijar_modulo(&_Module);
  }
  // The check asks only while something is locked; No is the answer kept.
  _Module.fijar_plataforma(plataforma);
  EXPECT_TRUE(_Module.comprobacion_cierre());
  EXPECT_TRUE(avisos.empty());
  IAutoKalovet* a = crear();
  respuesta_si = false;
  EXPECT_FALSE(_Module.comprobacion_cierre());
  respuesta_si = true;
  EXPECT_TRUE(_Module.comprobacion_cierre());
  ASSERT_EQ(avisos.size(), 2u);
  EXPECT_EQ(avisos[0],
            "COM Server Warning|There are still active COM objects in this application.  One or more clients may "
            "have references to these objects, so manually closing this application may cause those client "
            "application(s) to fail.\r\n\r\nAre you sure you want to close this application?");
  a->Release();
  // A lock taken through the factory counts like an object.
  EXPECT_TRUE(_Module.comprobacion_cierre());
  fabrica_AutoKalovet()->LockServer(1);
  respuesta_si = false;
  EXPECT_FALSE(_Module.comprobacion_cierre());
  EXPECT_EQ(avisos.size(), 3u);
  fabrica_AutoKalovet()->LockServer(0);
}

TEST_F(Automatizacion, InterruptoresDeRegistroTerminanEnSeguida) {
  struct Caso {
    std::vector<std::string> linea;
    bool sigue;
    bool registrado;
  } casos[] = {
      {{"/regserver"}, false, true},
      {{"/regserver", "/unregserver"}, false, true},
      {{"-UnRegServer"}, false, false},
      {{"REGSERVER"}, true, true},
      {{}, true, true},
      {{"/automation"}, true, false},
      {{"/embedding"}, true, false},
  };
  for (const auto& c : casos) {
    std::remove(registro.c_str());
    Kalovet_atl::TATLModule m;
    int objetos_clase = 0;
    auto p = plataforma;
    p.registrar_objeto_clase = [&](const CLSID& clsid, const std::string& nombre, IUnknown*, DWORD ctx, DWORD flags,
                                   DWORD* cookie) {
      EXPECT_EQ(clsid, Kalovet_tlb::CLSID_AutoKalovet);
      EXPECT_EQ(nombre, "kalovet.AutoKalovet");
      EXPECT_EQ(ctx, 4u);
      EXPECT_EQ(flags, 1u);
      *cookie = 77;
      ++objetos_clase;
      return S_OK;
    };
    int revocados = 0;
    p.revocar_objeto_clase = [&](DWORD cookie) {
      EXPECT_EQ(cookie, 77u);
      ++revocados;
      return S_OK;
    };
    m.fijar_plataforma(p);
    std::string nombre = c.linea.empty() ? "(none)" : c.linea[0];
    EXPECT_EQ(m.arrancar(c.linea), c.sigue) << nombre;
    EXPECT_EQ(objetos_clase, c.sigue ? 1 : 0) << nombre;
    auto reg = Registro::leer_texto(leer_archivo(registro));
    bool hay = reg && reg->buscar("HKEY_CLASSES_ROOT\\kalovet.AutoKalovet\\CLSID");
    EXPECT_EQ(hay, c.registrado) << nombre;
    m.terminar();
    EXPECT_EQ(revocados, c.sigue ? 1 : 0) << nombre;
    fijar_modulo(&_Module);
  }
}
