// Pieces the hardware and virtual backends share: the message hook, the
// high-resolution counter and the last system error.
#pragma once

#include <cstdint>

namespace plataforma {

void mensaje(const char *texto, const char *titulo);  // through the current hook
int64_t contador();                                    // CLOCK_MONOTONIC in ns
int64_t frecuencia();                                  // 1,000,000,000

extern uint32_t ultimo_error_valor;
inline uint32_t ultimo_error() { return ultimo_error_valor; }
inline void fijar_error(uint32_t e) { ultimo_error_valor = e; }

}  // namespace plataforma
