#include "estado.h"

namespace {

estado_tarjeta_t estado_tarjeta;

constexpr bool canal_16(int canal) { return canal >= 0 && canal < 16; }
constexpr bool canal_DA(int canal) { return canal >= 0 && canal < 2; }

}  // namespace

void iniciar_estado() {
  for (int n = 0; n < 16; ++n) {
    estado_tarjeta.entradas_DI[n] = 0;
    estado_tarjeta.salidas_DO[n] = 0;
    estado_tarjeta.entradas_AD[n] = 0.0;
    estado_tarjeta.rangos_AD[n] = {-5.0, 5.0};
  }
  estado_tarjeta.salidas_DA[0] = 0.0;
  estado_tarjeta.salidas_DA[1] = 0.0;
}

void conmutar_DI(int canal) {
  if (!canal_16(canal)) return;
  int32_t& e = estado_tarjeta.entradas_DI[canal];
  e = e != 0 ? 0 : 1;
}

int leer_DI(int canal) { return canal_16(canal) ? estado_tarjeta.entradas_DI[canal] : 0; }
int leer_DO(int canal) { return canal_16(canal) ? estado_tarjeta.salidas_DO[canal] : 0; }

void fijar_DO(int canal, int valor) {
  if (canal_16(canal)) estado_tarjeta.salidas_DO[canal] = valor;
}

// The 10,000 scroll-bar positions map onto the range with 1/9999 as the step,
// so that position 9999 gives the maximum exactly. Every intermediate result
// is an x87 extended value (64-bit mantissa) and only the sum is rounded to
// double: this fixes the stored values to the last bit (position 5000 gives
// 0.0005000500050004997, not the value a double computation gives).
void fijar_AD(int canal, int posicion) {
  static_assert(sizeof(long double) > sizeof(double) && __LDBL_MANT_DIG__ == 64,
                "fijar_AD needs the x87 extended format for long double");
  if (!canal_16(canal)) return;
  const rango_AD& r = estado_tarjeta.rangos_AD[canal];
  const long double k = 1.0L / 9999.0L;
  long double t = static_cast<long double>(posicion) * k;
  t = t * (static_cast<long double>(r.maximo) - static_cast<long double>(r.minimo));
  estado_tarjeta.entradas_AD[canal] = static_cast<double>(static_cast<long double>(r.minimo) + t);
}

double leer_AD(int canal) { return canal_16(canal) ? estado_tarjeta.entradas_AD[canal] : 0.0; }

void fijar_DA(int canal, double voltios) {
  if (canal_DA(canal)) estado_tarjeta.salidas_DA[canal] = voltios;
}

double leer_DA(int canal) { return canal_DA(canal) ? estado_tarjeta.salidas_DA[canal] : 0.0; }
double minimo_AD(int canal) { return canal_16(canal) ? estado_tarjeta.rangos_AD[canal].minimo : 0.0; }
double maximo_AD(int canal) { return canal_16(canal) ? estado_tarjeta.rangos_AD[canal].maximo : 0.0; }
