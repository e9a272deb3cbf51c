#include "planta.h"

#include "acceso.h"

namespace {

int rebose = 0;
int sobrecal = 0;
int bomba = 0;
int calentador = 0;
int valvula = 0;
double nivel = 0.0;
double temperatura = 0.0;

void sin_refresco() {}
void (*refresco_instalado)() = sin_refresco;

constexpr int32_t kTarjeta = 0;

// One conversion of an AD channel, range code 0, software trigger. The word
// starts at 0 so that a failed call leaves a defined reading.
int32_t convertir(int32_t canal) {
  IO_7240_AD_Set_Range(kTarjeta, 0);
  IO_7240_AD_Set_Channel(kTarjeta, canal);
  IO_7240_AD_Soft_Trig(kTarjeta);
  int32_t palabra = 0;
  IO_7240_AD_Aquire(kTarjeta, &palabra);
  return palabra;
}

// One digital input; 0 when the call fails.
int32_t entrada(int32_t canal) {
  int32_t bit = 0;
  IO_7240_DI_Channel(kTarjeta, canal, &bit);
  return bit;
}

}  // namespace

int palabra_DO = 0;

int get_rebose() { return rebose; }
void set_rebose(int v) { rebose = v; }
int get_sobrecal() { return sobrecal; }
void set_sobrecal(int v) { sobrecal = v; }
int get_bomba() { return bomba; }
void set_bomba(int v) { bomba = v; }
int get_calentador() { return calentador; }
void set_calentador(int v) { calentador = v; }
int get_valvula() { return valvula; }
void set_valvula(int v) { valvula = v; }
double get_nivel() { return nivel; }
void set_nivel(double v) { nivel = v; }
double get_temperatura() { return temperatura; }
void set_temperatura(double v) { temperatura = v; }

double voltios_de_palabra(int32_t palabra) {
  const int32_t codigo = palabra >> 4;  // arithmetic: the sign is kept
  return (codigo - 2048) * (1.0 / 4096) * 10;
}

double temperatura_de_palabra(int32_t palabra) { return (voltios_de_palabra(palabra) + 5) * 10; }

double nivel_de_palabra(int32_t palabra) { return (voltios_de_palabra(palabra) + 5) * 800; }

void iniciar_planta() {
  int32_t base = 0, irq = 0;  // not used afterwards
  IO_7240_Initial(kTarjeta, &base, &irq);
  IO_7240_AD_Set_Mode(kTarjeta, 0);
  IO_7240_DO(kTarjeta, 0);
}

void parar_planta() {
  IO_7240_DO(kTarjeta, 0);
  if (modo_simulador == 1) desconectar_simulador();
}

void leer_sensores() {
  set_rebose(entrada(1) == 1 ? 1 : 0);
  set_sobrecal(entrada(0) == 1 ? 1 : 0);
  set_temperatura(temperatura_de_palabra(convertir(0)));
  set_nivel(nivel_de_palabra(convertir(1)));
}

void aplicar_control() {
  if (get_rebose() == 1 || get_sobrecal() == 1) {
    set_calentador(0);
    set_valvula(0);
    set_bomba(0);
    return;
  }
  const double t = get_temperatura();
  const double l = get_nivel();
  set_valvula(t >= 25 && t <= 35 && l > 0 ? 1 : 0);
  set_bomba(l < 7000 ? 1 : 0);
  set_calentador(t < 30 ? 1 : 0);
}

void escribir_actuadores() {
  auto poner = [](int bit, int valor) {
    if (valor != 0) palabra_DO |= 1 << bit;
    else palabra_DO &= ~(1 << bit);
  };
  poner(0, get_valvula());
  poner(1, get_bomba());
  poner(2, get_calentador());
  IO_7240_DO(kTarjeta, palabra_DO);
}

void ciclo_control() {
  leer_sensores();
  aplicar_control();
  escribir_actuadores();
  refresco_instalado();
}

void fijar_refresco(void (*refresco)()) { refresco_instalado = refresco ? refresco : sin_refresco; }

void reiniciar_planta_para_pruebas() {
  rebose = sobrecal = bomba = calentador = valvula = 0;
  nivel = temperatura = 0.0;
  palabra_DO = 0;
}
