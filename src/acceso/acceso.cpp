#include "acceso.h"

#include "7240.h"
#include "conversion.h"
#include "plataforma_acceso.h"

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

int modo_simulador = 0;

namespace acceso {
namespace {

// Module state of simulator mode.
std::array<int, 16> imagen_DO{};
std::array<double, 2> voltios_DA{0.0, 0.0};
std::array<int, 16> imagen_DI{};
std::array<double, 16> valores_AD{};
int32_t canal_AD = 0;
Rango rango{-5.0, 5.0};
int32_t modo_AD = 0;  // stored; nothing reads it

// The client library and its five entry points.
using FnConectar = int32_t (*)(int32_t, int32_t);
using FnSinArgumentos = int32_t (*)();
using FnEnviar = int32_t (*)(const char*);  // its result is not used
using FnRebre = const char* (*)();

void* libreria = nullptr;
FnConectar kalovet_conectar = nullptr;
FnSinArgumentos kalovet_usar = nullptr;
FnSinArgumentos kalovet_desconectar = nullptr;
FnEnviar kalovet_enviar = nullptr;
FnRebre kalovet_rebre = nullptr;

std::string& nombre_libreria() {
  static std::string s = kNombreLibreria;
  return s;
}
std::string& ruta_fija_libreria() {
  static std::string s = kRutaFijaLibreria;
  return s;
}

Respuesta preguntar_por_defecto(const char* titulo, const char* texto) {
  std::fprintf(stderr, "%s: %s\n(no one to answer: Cancel)\n", titulo, texto);
  return Respuesta::Cancelar;
}
void avisar_por_defecto(const char* texto) { std::fprintf(stderr, "%s\n", texto); }
void terminar_por_defecto(int estado) { std::exit(estado); }

Plataforma& instalada() {
  static Plataforma p{preguntar_por_defecto, avisar_por_defecto, terminar_por_defecto};
  return p;
}

[[noreturn]] void terminar(int estado) {
  instalada().terminar(estado);
  std::exit(estado);
}

[[noreturn]] void fallo(const char* texto, int estado) {
  instalada().avisar(texto);
  terminar(estado);
}

// A library that lacks an entry point is reported when the layer first needs
// it, and the program ends, rather than calling through a null address.
template <typename Fn>
Fn necesaria(Fn fn, const char* nombre) {
  if (fn == nullptr) {
    const std::string texto =
        std::string("La librería dinámica \"kalovet.dll\" no tiene la función ") + nombre;
    fallo(texto.c_str(), 1);
  }
  return fn;
}

template <typename Fn>
Fn buscar(const char* nombre) {
  return reinterpret_cast<Fn>(dlsym(libreria, nombre));
}

// Loads the client library and binds its entry points; every call loads and
// binds again (the loader counts the loads; the library is never unloaded).
void cargar_libreria() {
  void* h = dlopen(nombre_libreria().c_str(), RTLD_NOW);
  if (h == nullptr) {
    const char* e = dlerror();
    const std::string por_nombre = e ? e : "";
    h = dlopen(ruta_fija_libreria().c_str(), RTLD_NOW);
    if (h == nullptr) {
      e = dlerror();
      std::fprintf(stderr, "%s\n%s\n", por_nombre.c_str(), e ? e : "");
      fallo(kSinLibreria, 1);
    }
  }
  libreria = h;
  kalovet_conectar = buscar<FnConectar>("kalovet_conectar");
  kalovet_usar = buscar<FnSinArgumentos>("kalovet_usar");
  kalovet_desconectar = buscar<FnSinArgumentos>("kalovet_desconectar");
  kalovet_enviar = buscar<FnEnviar>("kalovet_enviar");
  kalovet_rebre = buscar<FnRebre>("kalovet_rebre");
}

// The read exchange: one state reply, read into imagen_DI and valores_AD.
void leer_simulador() {
  const char* respuesta = necesaria(kalovet_rebre, "kalovet_rebre")();
  leer_estado(respuesta, imagen_DI, valores_AD);
}

// The write exchange: all 16 outputs and both DA values in one message; the
// text lives until kalovet_enviar returns.
void escribir_simulador() {
  const std::string texto = componer_escritura(imagen_DO, voltios_DA[0], voltios_DA[1]);
  necesaria(kalovet_enviar, "kalovet_enviar")(texto.c_str());
}

}  // namespace

void fijar_plataforma(const Plataforma& p) {
  Plataforma& destino = instalada();
  destino.preguntar = p.preguntar ? p.preguntar : preguntar_por_defecto;
  destino.avisar = p.avisar ? p.avisar : avisar_por_defecto;
  destino.terminar = p.terminar ? p.terminar : terminar_por_defecto;
}

const Plataforma& plataforma() { return instalada(); }

void fijar_rutas_libreria(std::string nombre, std::string ruta_fija) {
  nombre_libreria() = std::move(nombre);
  ruta_fija_libreria() = std::move(ruta_fija);
}

void reiniciar_para_pruebas() {
  modo_simulador = 0;
  imagen_DO.fill(0);
  voltios_DA = {0.0, 0.0};
  imagen_DI.fill(0);
  valores_AD.fill(0.0);
  canal_AD = 0;
  rango = {-5.0, 5.0};
  modo_AD = 0;
}

}  // namespace acceso

using namespace acceso;

int elegir_modo() {
  switch (instalada().preguntar(kTituloPregunta, kTextoPregunta)) {
    case Respuesta::Si:
      cargar_libreria();
      modo_simulador = 1;
      if (necesaria(kalovet_usar, "kalovet_usar")() < 0) fallo(kNoConecta, 1);
      break;
    case Respuesta::No:
      modo_simulador = 0;
      break;
    case Respuesta::Cancelar:
      terminar(0);
  }
  return 0;
}

int conectar_simulador(int32_t a, int32_t b) {
  cargar_libreria();
  modo_simulador = 1;
  const int r = necesaria(kalovet_conectar, "kalovet_conectar")(a, b);
  if (r < 0) fallo(kNoConecta, 1);
  return r;
}

int desconectar_simulador() { return necesaria(kalovet_desconectar, "kalovet_desconectar")(); }

int32_t IO_7240_Initial(int32_t card, int32_t* io_base, int32_t* irq) {
  elegir_modo();
  if (modo_simulador == 1) return 0;
  return W_7240_Initial(card, io_base, irq);
}

int32_t IO_7240_DO(int32_t card, int32_t value) {
  if (modo_simulador != 1) return W_7240_DO(card, value);
  for (int k = 0; k < 16; ++k) imagen_DO[k] = (value >> k) & 1;
  escribir_simulador();
  return 0;
}

int32_t IO_7240_DI(int32_t card, int32_t* value) {
  if (modo_simulador != 1) return W_7240_DI(card, value);
  leer_simulador();
  int32_t palabra = 0;
  for (int k = 0; k < 16; ++k) palabra += imagen_DI[k] << k;
  *value = palabra;
  return 0;
}

int32_t IO_7240_DI_Channel(int32_t card, int32_t channel, int32_t* bit) {
  if (modo_simulador != 1) return W_7240_DI_Channel(card, channel, bit);
  if (channel < 0 || channel > 15) return ERR_DI_Channel;
  leer_simulador();
  *bit = imagen_DI[channel];
  return 0;
}

int32_t IO_7240_DA(int32_t card, int32_t channel, int32_t value) {
  if (modo_simulador != 1) return W_7240_DA(card, channel, value);
  if (channel != 0 && channel != 1) return ERR_DA_Channel;
  voltios_DA[channel] = voltios_de_codigo_DA(static_cast<uint32_t>(value));
  escribir_simulador();
  return 0;
}

int32_t IO_7240_AD_Set_Channel(int32_t card, int32_t channel) {
  if (modo_simulador != 1) return W_7240_AD_Set_Channel(card, channel);
  if (channel < 0 || channel > 15) return ERR_AD_Channel;
  canal_AD = channel;
  return 0;
}

int32_t IO_7240_AD_Set_Range(int32_t card, int32_t range) {
  if (modo_simulador != 1) return W_7240_AD_Set_Range(card, range);
  rango_AD(range, rango);  // a code outside 0..8 keeps the old range
  return 0;
}

int32_t IO_7240_AD_Set_Mode(int32_t card, int32_t mode) {
  if (modo_simulador != 1) return W_7240_AD_Set_Mode(card, mode);
  modo_AD = mode;
  return 0;
}

int32_t IO_7240_AD_Soft_Trig(int32_t card) {
  if (modo_simulador != 1) return W_7240_AD_Soft_Trig(card);
  return 0;
}

int32_t IO_7240_AD_Aquire(int32_t card, int32_t* value) {
  if (modo_simulador != 1) return W_7240_AD_Aquire(card, value);
  leer_simulador();
  *value = palabra_AD(codigo_AD(valores_AD[canal_AD], rango), canal_AD);
  return 0;
}
