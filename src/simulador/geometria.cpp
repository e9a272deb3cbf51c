#include "geometria.h"

#include <cmath>

namespace medidor {
namespace {

// Truncation toward zero, defined for every double (a plain conversion of a
// non-finite or out-of-range double to int is undefined).
int32_t truncar(double v) {
  if (std::isnan(v)) return 0;
  if (std::isinf(v)) return 0;
  if (v >= limite_desplazamiento) return limite_desplazamiento;
  if (v <= -limite_desplazamiento) return -limite_desplazamiento;
  return static_cast<int32_t>(v);
}

}  // namespace

Desplazamiento polar(double r, double a) {
  const double rad = a * 0.01745328888888889;
  return {truncar(std::cos(rad) * r), truncar(std::sin(rad) * r)};
}

double angulo_aguja(double v, double minimo, double maximo) {
  return 150.0 - (v - minimo) * (120.0 / (maximo - minimo));
}

}  // namespace medidor
