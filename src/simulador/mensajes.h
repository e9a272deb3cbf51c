// The signal exchange messages between client programs and the simulator.
//
//   read request     client -> simulator  exactly "lectura"
//   state reply      simulator -> client  16 digital inputs ("0"/"1", input 0
//                                         first), then the 16 analog inputs,
//                                         each ",%f"
//   write message    client -> simulator  16 digital outputs (output 15 first),
//                                         then ",%lf,%lf" for analog outputs 0, 1
//   acknowledgement  simulator -> client  exactly "OK" (TCP only)
//
// Numbers are written and read in the C locale whatever the process locale is.
// Both functions run on the user-interface thread, like the signal store.
// Pure code: no Qt; the panel is refreshed through refresco.h.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view PETICION_LECTURA = "lectura";
inline constexpr std::string_view ACUSE_RECIBO = "OK";

// True only for the exact seven characters "lectura": case-sensitive, no white
// space, no line end. Every other text, the empty one too, is a write message.
bool es_peticion_lectura(std::string_view texto);

// The state reply built from the signal store (leer_DI, leer_AD). Reads the 32
// inputs in one go and changes nothing. 160 to 176 characters while the analog
// inputs stay within -5.0 .. +5.0.
std::string componer_estado();

// What the scan "%16s,%lf,%lf" takes from a write message.
struct escritura_leida {
  // The digital field: up to 16 characters and a terminating zero. Positions
  // the scan does not fill hold '0' (see leer_escritura).
  char campo[17];
  double voltios[2];  // 0.0 where the scan did not reach
};

// Scans a write message as the C library's sscanf(texto, "%16s,%lf,%lf", ...)
// does, in the C locale. The text is taken up to its first NUL byte, as a C
// string. Leading white space is skipped; the field takes up to 16
// non-white-space characters, commas included; the scan stops at the first
// mismatch and every target after it keeps its start value.
//
// The field is filled with '0' before the scan, so positions past the
// terminating zero of a short field, and all 16 positions when the text is
// empty or white space only, read as output off: a badly formed message never
// switches on an output that it did not name. The terminating zero itself is
// not '0' and so counts as on.
escritura_leida leer_escritura(const std::string& texto);

// Applies a write message: for p = 0..15 fijar_DO(15 - p, campo[p] != '0'),
// then fijar_DA(0, ...), fijar_DA(1, ...), then mostrar_DO() and mostrar_DA().
// Never rejects a text and reports nothing.
void aplicar_escritura(const std::string& texto);
