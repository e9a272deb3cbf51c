// A recording card platform for the card library's unit tests: every port
// access (address, width, value), driver channel call, counter read and
// message is recorded in order, and reads and requests are answered from a
// script, so a test can assert the exact sequence the library produced.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "plataforma7240.h"

namespace grabadora {

enum class Tipo {
    Abrir,          // texto = device name, canal = handle returned
    Peticion,       // canal, codigo, entrada (bytes), tam_entrada, tam_salida, con_devueltos
    Cerrar,         // canal
    UltimoError,
    Entrada,        // puerto, ancho (8, 16, 32), valor read
    Salida,         // puerto, ancho, valor written
    Interrupciones,
    Contador,
    Frecuencia,
    Mensaje,        // texto, titulo
};

struct Suceso {
    Tipo tipo{};
    uint32_t puerto = 0;
    int ancho = 0;
    uint32_t valor = 0;
    std::string texto{}, titulo{};
    canal7240 canal = 0;
    uint32_t codigo = 0;
    std::vector<uint8_t> entrada{};
    uint32_t tam_entrada = 0, tam_salida = 0;
    bool con_devueltos = false;
};

// A port access, for comparing sequences: {Salida or Entrada, port, width, value}.
struct Acceso {
    Tipo tipo;
    uint32_t puerto;
    int ancho;
    uint32_t valor;
    bool operator==(const Acceso &) const = default;
};
std::string describir(const Acceso &a);

// The answer to one driver request: whether it was carried out, and the
// bytes written to the out-buffer (at most its size).
struct Respuesta {
    bool hecha = true;
    std::vector<uint8_t> salida;
    uint32_t error = 0;  // ultimo_error when not carried out
};

struct Grabadora {
    std::vector<Suceso> sucesos;

    // Script.
    std::map<std::string, uint32_t> aperturas_fallidas;  // device name -> error code
    std::map<uint32_t, std::deque<uint32_t>> lecturas;   // port -> values; the last repeats
    std::deque<Respuesta> respuestas;                    // driver requests, in order
    int64_t frecuencia = 1000000000;
    int64_t contador = 0;       // value of the next counter read
    int64_t paso_contador = 1;  // added after each read

    // Forgets the record and the script.
    void reiniciar() { *this = Grabadora{}; }

    // Recorded port accesses, requests and messages.
    std::vector<Acceso> puertos() const;
    std::vector<Suceso> peticiones() const;
    std::vector<std::string> mensajes() const;
    int contar(Tipo t) const;
};

// The one recording platform and its table.
Grabadora &actual();
const plataforma7240 *tabla();

}  // namespace grabadora
