// The server module of kalovet: kalovet is at once a windowed program and a
// local automation server for the class AutoKalovet. The module handles the
// command-line switches, registers and unregisters the class, registers the
// class object, keeps the lock count with its quit rule and supplies the
// shutdown check. What it needs of the platform (the program file's name, the
// bus, the message loop, message boxes) comes through `PlataformaServidor`, so
// the module itself is plain code.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces.h"
#include "objeto.h"

namespace Kalovet_atl {

// A parameter is the switch `nombre` when its first character is "/" or "-"
// and the rest equals the name without regard to case.
bool es_interruptor(std::string_view parametro, std::string_view nombre);
bool hay_interruptor(const std::vector<std::string>& parametros, std::string_view nombre);
// The command line registers or unregisters and ends ("REGSERVER", "UNREGSERVER").
bool solo_registro(const std::vector<std::string>& parametros);

inline constexpr com::DWORD CLSCTX_LOCAL_SERVER = 4;
inline constexpr com::DWORD REGCLS_MULTIPLEUSE = 1;

// The shutdown warning (string resources 65408, 65409 + 65410).
inline constexpr const char* TITULO_AVISO = "COM Server Warning";
inline constexpr const char* TEXTO_AVISO =
    "There are still active COM objects in this application.  One or more clients may have references to these "
    "objects, so manually closing "
    "this application may cause those client application(s) to fail.\r\n\r\n"
    "Are you sure you want to close this application?";

struct PlataformaServidor {
  // The program file's full name.
  std::function<std::string()> archivo_programa;
  // COM initialisation of the main thread (before the module's own steps).
  std::function<void()> iniciar_com;
  std::function<uint32_t()> hilo_actual;
  std::function<com::HRESULT(const com::CLSID&, const std::string& nombre, com::IUnknown* fabrica, com::DWORD contexto,
                             com::DWORD flags, com::DWORD* cookie)>
      registrar_objeto_clase;
  std::function<com::HRESULT(com::DWORD cookie)> revocar_objeto_clase;
  std::function<void()> uninicializar_com;
  // The quit message to the main thread: ends the message loop without the
  // shutdown checks.
  std::function<void()> publicar_salida;
  // Adds a check to the application's shutdown checks.
  std::function<void(std::function<bool()>)> agregar_comprobacion_cierre;
  // The warning box (Yes/No, warning icon, No the default); true for Yes.
  std::function<bool(const std::string& titulo, const std::string& texto)> preguntar_aviso;
};

class TATLModule : public com::Modulo {
 public:
  TATLModule();

  void fijar_plataforma(PlataformaServidor p) { plataforma_ = std::move(p); }

  // The start-up hook: COM, the module, the command line, the shutdown check.
  // False when the process must end at once (REGSERVER, UNREGSERVER).
  bool arrancar(const std::vector<std::string>& parametros);
  // Exit: revokes the class object if the run flag is set, then COM goes.
  void terminar();

  int32_t Lock() override;
  // Subtracts 1, then the quit rule: at 0, with "AUTOMATION" on the command
  // line, the quit message goes to the main thread.
  int32_t Unlock() override;
  int32_t cuenta_bloqueos() const { return lock_count_.load(); }

  // The shutdown check: allows the end at once when nothing is locked;
  // otherwise asks, and Yes allows it.
  bool comprobacion_cierre();

  // Registration of the class (eight values, the activation file, the type
  // library) and the module's second registration of the type library.
  com::HRESULT registrar_servidor();
  com::HRESULT desregistrar_servidor();
  // The module's second registration of the type library, from the program
  // file, or else from the file of the same name ending in ".tlb".
  com::HRESULT registrar_biblioteca();
  // The LocalServer32 command: the program file as one command word (see
  // com::palabra_orden) followed by " /Automation".
  std::string orden_servidor() const;

  bool bandera_ejecucion() const { return run_flag_; }
  uint32_t hilo_principal() const { return main_thread_id_; }
  com::DWORD cookie() const { return cookie_; }
  const std::vector<std::string>& parametros() const { return parametros_; }

 private:
  com::HRESULT registrar_clase();

  uint32_t main_thread_id_ = 0;
  bool run_flag_ = true;
  std::atomic<int32_t> lock_count_{0};
  com::DWORD cookie_ = 0;
  bool registrado_ = false;
  std::vector<std::string> parametros_;
  PlataformaServidor plataforma_;
};

// The module, with static lifetime.
extern TATLModule _Module;

// The program's platform for the module (Qt, the session bus, the windows
// layer) and the automation object's links to the message functions and the
// communications window. Defined by the program's glue (Kalovet_atl_qt.cpp).
void usar_plataforma_qt();

}  // namespace Kalovet_atl
