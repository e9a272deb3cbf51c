#include "Kalovet_atl.h"

#include <cstdio>

#include "AutoKalovetImpl.h"
#include "Kalovet_tlb.h"
#include "activacion.h"
#include "archivos.h"
#include "biblioteca_tipos.h"
#include "registro.h"
#include "registro_tipos.h"

using namespace com;

namespace Kalovet_atl {

TATLModule _Module;

namespace {

char mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

const std::string& clave_clase() {
  static const std::string c = std::string(HKCR) + "\\CLSID\\" + texto_guid(Kalovet_tlb::CLSID_AutoKalovet);
  return c;
}

// Loads the type library from the program file and checks that it holds the class.
HRESULT cargar_con_clase(const std::string& archivo, ITypeLib** lib) {
  HRESULT r = LoadTypeLib(archivo, lib);
  if (FAILED(r)) return r;
  ITypeInfo* info = nullptr;
  r = (*lib)->GetTypeInfoOfGuid(Kalovet_tlb::CLSID_AutoKalovet, &info);
  if (FAILED(r)) {
    (*lib)->Release();
    *lib = nullptr;
    return r;
  }
  info->Release();
  return S_OK;
}

}  // namespace

bool es_interruptor(std::string_view p, std::string_view nombre) {
  if (p.empty() || (p[0] != '/' && p[0] != '-')) return false;
  p.remove_prefix(1);
  if (p.size() != nombre.size()) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (mayuscula(p[i]) != mayuscula(nombre[i])) return false;
  return true;
}

bool hay_interruptor(const std::vector<std::string>& parametros, std::string_view nombre) {
  for (const auto& p : parametros)
    if (es_interruptor(p, nombre)) return true;
  return false;
}

bool solo_registro(const std::vector<std::string>& parametros) {
  return hay_interruptor(parametros, "REGSERVER") || hay_interruptor(parametros, "UNREGSERVER");
}

TATLModule::TATLModule() { fijar_modulo(this); }

int32_t TATLModule::Lock() { return ++lock_count_; }

int32_t TATLModule::Unlock() {
  int32_t n = --lock_count_;
  if (n == 0 && hay_interruptor(parametros_, "AUTOMATION") && plataforma_.publicar_salida) plataforma_.publicar_salida();
  return n;
}

bool TATLModule::comprobacion_cierre() {
  if (lock_count_.load() <= 0) return true;
  if (!plataforma_.preguntar_aviso) return true;
  return plataforma_.preguntar_aviso(TITULO_AVISO, TEXTO_AVISO);
}

std::string TATLModule::orden_servidor() const {
  std::string archivo = plataforma_.archivo_programa ? plataforma_.archivo_programa() : std::string();
  return palabra_orden(archivo) + " /Automation";
}

HRESULT TATLModule::registrar_clase() {
  std::string archivo = plataforma_.archivo_programa();
  ITypeLib* lib = nullptr;
  HRESULT r = cargar_con_clase(archivo, &lib);
  if (FAILED(r)) return r;
  const DeclBiblioteca* attr = nullptr;
  lib->GetLibAttr(&attr);
  char version[32];
  std::snprintf(version, sizeof version, "%d.%d", attr->mayor, attr->menor);
  const std::string libid = texto_guid(attr->libid);
  const std::string clsid = clave_clase();
  const std::string progid = std::string(HKCR) + "\\" + Kalovet_tlb::PROGID_AutoKalovet;
  const std::string orden = orden_servidor();
  r = modificar_registro([&](Registro& reg) {
    reg.fijar(clsid, "", Kalovet_tlb::DESCRIPCION_AutoKalovet);
    reg.fijar(clsid + "\\LocalServer32", "", orden);
    reg.fijar(clsid + "\\LocalServer32", "ThreadingModel", "Single");
    reg.fijar(progid, "", Kalovet_tlb::DESCRIPCION_AutoKalovet);
    reg.fijar(progid + "\\CLSID", "", texto_guid(Kalovet_tlb::CLSID_AutoKalovet));
    reg.fijar(clsid + "\\ProgID", "", Kalovet_tlb::PROGID_AutoKalovet);
    reg.fijar(clsid + "\\Version", "", version);
    reg.fijar(clsid + "\\Typelib", "", libid);
    return S_OK;
  });
  if (SUCCEEDED(r)) {
    // The bus starts the server for a client with the same command.
    escribir_servicio_dbus(Kalovet_tlb::PROGID_AutoKalovet, orden);
    r = RegisterTypeLib(lib, archivo, "");
  }
  lib->Release();
  return r;
}

HRESULT TATLModule::registrar_biblioteca() {
  std::string archivo = plataforma_.archivo_programa();
  ITypeLib* lib = nullptr;
  HRESULT r = LoadTypeLib(archivo, &lib);
  if (FAILED(r)) {
    size_t punto = archivo.rfind('.');
    size_t barra = archivo.rfind('/');
    if (punto != std::string::npos && (barra == std::string::npos || punto > barra))
      archivo = archivo.substr(0, punto) + ".tlb";
    else
      archivo += ".tlb";
    r = LoadTypeLib(archivo, &lib);
    if (FAILED(r)) return r;
  }
  r = RegisterTypeLib(lib, archivo, carpeta_de(plataforma_.archivo_programa()));
  lib->Release();
  return r;
}

HRESULT TATLModule::registrar_servidor() {
  HRESULT r = registrar_clase();
  if (FAILED(r)) return r;
  return registrar_biblioteca();
}

HRESULT TATLModule::desregistrar_servidor() {
  ITypeLib* lib = nullptr;
  HRESULT r = cargar_con_clase(plataforma_.archivo_programa(), &lib);
  if (FAILED(r)) return r;
  lib->Release();
  r = modificar_registro([&](Registro& reg) {
    reg.borrar_arbol(clave_clase());
    reg.borrar_arbol(std::string(HKCR) + "\\" + Kalovet_tlb::PROGID_AutoKalovet);
    return S_OK;
  });
  borrar_servicio_dbus(Kalovet_tlb::PROGID_AutoKalovet);
  return r;
}

bool TATLModule::arrancar(const std::vector<std::string>& parametros) {
  // 1. COM on this thread before anything else.
  if (plataforma_.iniciar_com) plataforma_.iniciar_com();
  // 2. The module with its class table.
  parametros_ = parametros;
  // 3. The main thread.
  main_thread_id_ = plataforma_.hilo_actual ? plataforma_.hilo_actual() : 0;
  // 4. The command line; results of registration are not examined.
  if (hay_interruptor(parametros_, "REGSERVER")) {
    registrar_servidor();
    run_flag_ = false;
  } else if (hay_interruptor(parametros_, "UNREGSERVER")) {
    desregistrar_servidor();
    run_flag_ = false;
  } else if (!hay_interruptor(parametros_, "AUTOMATION") && !hay_interruptor(parametros_, "EMBEDDING")) {
    registrar_servidor();
  }
  if (!run_flag_) return false;
  if (plataforma_.registrar_objeto_clase) {
    plataforma_.registrar_objeto_clase(Kalovet_tlb::CLSID_AutoKalovet, Kalovet_tlb::PROGID_AutoKalovet,
                                       fabrica_AutoKalovet(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    registrado_ = true;
  }
  // 5. The shutdown check.
  if (plataforma_.agregar_comprobacion_cierre)
    plataforma_.agregar_comprobacion_cierre([this] { return comprobacion_cierre(); });
  return true;
}

void TATLModule::terminar() {
  if (run_flag_ && registrado_ && plataforma_.revocar_objeto_clase) {
    plataforma_.revocar_objeto_clase(cookie_);
    registrado_ = false;
  }
  if (plataforma_.uninicializar_com) plataforma_.uninicializar_com();
}

}  // namespace Kalovet_atl
