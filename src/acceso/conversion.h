// The simulator-mode emulation of the card's single-shot signals: the texts
// exchanged with the simulator and the converters' arithmetic. Pure functions,
// no state, no Qt.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace acceso {

// Input span of an AD range code, in volts.
struct Rango {
  double minimo;
  double maximo;
};

// The span of range codes 0 to 8; false for any other code (the caller keeps
// its old range then).
bool rango_AD(int32_t codigo, Rango& rango);

// Volts of a DA code: 5.0 × code / 4096, the code taken as an unsigned 32-bit
// number, neither masked nor limited.
double voltios_de_codigo_DA(uint32_t codigo);

// The converter's code for v volts in the span: (4096 / (max − min)) × (v − min),
// truncated toward zero. Not limited to 0..4095; a result outside the 32-bit
// range saturates at its end and a reading that is not a number gives 0.
int32_t codigo_AD(double voltios, const Rango& rango);

// The card's AD data word: the code in bits 4 and up, the channel in bits 0-3.
int32_t palabra_AD(int32_t codigo, int32_t canal);

// The write message: the 16 outputs from bit 15 down to bit 0 as "1"/"0", then
// ",", the first DA value, ",", the second, each with "%lf" in the C locale.
std::string componer_escritura(const std::array<int, 16>& imagen_DO, double da0, double da1);

// Reads a state reply: imagen_DI[k] = 1 when character k is "1", else 0
// (positions past the end of a short text are 0, and nothing past its end is
// read); then the 16 analog values with "%*16s,%lf,...,%lf" in the C locale,
// stored in order up to the first one that does not parse; the rest keep their
// old values. A null text is read as an empty one.
void leer_estado(const char* respuesta, std::array<int, 16>& imagen_DI, std::array<double, 16>& valores_AD);

}  // namespace acceso
