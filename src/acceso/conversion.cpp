#include "conversion.h"

#include "locale_c.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace acceso {

namespace {

constexpr Rango kRangos[9] = {
    {-5.0, 5.0},   {-2.5, 2.5}, {-1.25, 1.25}, {-0.625, 0.625}, {0.0, 10.0},
    {0.0, 5.0},    {0.0, 2.5},  {0.0, 1.25},   {-10.0, 10.0},
};

}  // namespace

bool rango_AD(int32_t codigo, Rango& rango) {
  if (codigo < 0 || codigo > 8) return false;
  rango = kRangos[codigo];
  return true;
}

double voltios_de_codigo_DA(uint32_t codigo) {
  // −(reference) × code / 4096 with the fixed reference of −5.0 V.
  const double referencia = -5.0;
  return -referencia * static_cast<double>(codigo) / 4096;
}

int32_t codigo_AD(double voltios, const Rango& rango) {
  const double cociente = 4096 / (rango.maximo - rango.minimo);
  const double codigo = std::trunc(cociente * (voltios - rango.minimo));
  if (std::isnan(codigo)) return 0;
  if (codigo >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (codigo <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(codigo);
}

int32_t palabra_AD(int32_t codigo, int32_t canal) {
  // Two's-complement shift: a negative code gives a negative word.
  const uint32_t palabra = (static_cast<uint32_t>(codigo) << 4) | (static_cast<uint32_t>(canal) & 0xFu);
  return static_cast<int32_t>(palabra);
}

std::string componer_escritura(const std::array<int, 16>& imagen_DO, double da0, double da1) {
  std::string texto;
  texto.reserve(64);
  for (int i = 0; i < 16; ++i) texto += imagen_DO[15 - i] == 1 ? '1' : '0';
  LocaleC c;
  char numero[400];  // "%lf" of the largest double is 316 characters
  std::snprintf(numero, sizeof numero, ",%lf", da0);
  texto += numero;
  std::snprintf(numero, sizeof numero, ",%lf", da1);
  texto += numero;
  return texto;
}

void leer_estado(const char* respuesta, std::array<int, 16>& imagen_DI, std::array<double, 16>& valores_AD) {
  if (respuesta == nullptr) respuesta = "";
  bool fin = false;
  for (int k = 0; k < 16; ++k) {
    if (!fin && respuesta[k] == '\0') fin = true;
    imagen_DI[k] = !fin && respuesta[k] == '1' ? 1 : 0;
  }
  auto& v = valores_AD;
  LocaleC c;
  std::sscanf(respuesta, "%*16s,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf,%lf", &v[0], &v[1], &v[2],
              &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13], &v[14], &v[15]);
}

}  // namespace acceso
