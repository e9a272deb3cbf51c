#include "vista.h"

#include "locale_c.h"
#include "planta.h"

#include <cmath>
#include <cstdio>

namespace {

// value × factor formed in extended precision from the double nearest to the
// factor, then truncated toward zero: the double nearest to 1.4 lies just
// below it, so 25 °C gives 34 pixels, while the one nearest to 0.02 lies just
// above it, so level 4000 gives 80. Nothing limits a bar upward within any
// reading an AD word can give; a height below 0 (a reading below the scale)
// is 0, and one beyond 2^24 pixels stops there, so the bar's top stays a
// valid coordinate.
int altura(double valor, double factor) {
  constexpr long double kMaxima = 1 << 24;
  const long double h = std::trunc(static_cast<long double>(valor) * static_cast<long double>(factor));
  if (!(h > 0)) return 0;
  if (h >= kMaxima) return static_cast<int>(kMaxima);
  return static_cast<int>(h);
}

std::string formato(const char* f, double v) {
  acceso::LocaleC c;
  char texto[400];
  std::snprintf(texto, sizeof texto, f, v);
  return texto;
}

Barra barra(int base, int h) { return Barra{base - h, h}; }

}  // namespace

int altura_nivel(double nivel) { return altura(nivel, 0.02); }

int altura_temperatura(double temperatura) { return altura(temperatura, 1.4); }

Vista calcular_vista(const EstadoPlanta& e, int planta_top) {
  Vista v;
  v.temperatura = formato("%5.1f", e.temperatura);
  v.nivel = formato("%6.1f", e.nivel);
  v.rebose = e.rebose == 1 ? "REBOSANDO" : "No hay";
  v.sobrecal = e.sobrecal == 1 ? "SOBRECALENTADO" : "No hay";
  v.bomba = e.bomba == 1 ? "Bombeando" : "Parada";
  v.calentador = e.calentador == 1 ? "Calentando" : "Parado";
  v.valvula = e.valvula == 1 ? "Abierta" : "Cerrada";
  v.alarma = e.sobrecal == 1 || e.rebose == 1;
  v.tubos_bomba = v.bomba_visible = e.bomba == 1;
  v.tubo_valvula = v.valvula_visible = e.valvula == 1;
  v.llamas = e.calentador == 1;
  v.barra_nivel = barra(planta_top + 267, altura_nivel(e.nivel));
  v.barra_temperatura = barra(planta_top + 168, altura_temperatura(e.temperatura));
  return v;
}

EstadoPlanta estado_actual() {
  return EstadoPlanta{get_temperatura(), get_nivel(), get_rebose(), get_sobrecal(),
                      get_bomba(),       get_calentador(), get_valvula()};
}
