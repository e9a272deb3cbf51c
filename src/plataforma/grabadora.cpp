#include "grabadora.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace grabadora {
namespace {

Grabadora g;
canal7240 siguiente_canal = 100;
uint32_t error_actual = 0;

canal7240 abrir(const char *dispositivo) {
    Suceso s{.tipo = Tipo::Abrir, .texto = dispositivo};
    const auto f = g.aperturas_fallidas.find(dispositivo);
    if (f != g.aperturas_fallidas.end()) {
        error_actual = f->second;
        s.canal = CANAL7240_INVALIDO;
    } else {
        s.canal = siguiente_canal++;
    }
    g.sucesos.push_back(s);
    return s.canal;
}

int peticion(canal7240 c, uint32_t codigo, const void *entrada, uint32_t tam_entrada, void *salida,
             uint32_t tam_salida, uint32_t *devueltos) {
    Suceso s{.tipo = Tipo::Peticion, .canal = c, .codigo = codigo, .tam_entrada = tam_entrada,
             .tam_salida = tam_salida, .con_devueltos = devueltos != nullptr};
    if (entrada) {
        const auto *b = static_cast<const uint8_t *>(entrada);
        s.entrada.assign(b, b + tam_entrada);
    }
    g.sucesos.push_back(s);
    if (c == CANAL7240_INVALIDO) {  // a channel that never opened carries nothing
        error_actual = ERROR7240_HANDLE_INVALIDO;
        return 0;
    }
    if (g.respuestas.empty()) {  // nothing scripted: the driver does not carry it out
        error_actual = ERROR7240_FUNCION_INVALIDA;
        return 0;
    }
    const Respuesta r = g.respuestas.front();
    g.respuestas.pop_front();
    if (!r.hecha) {
        error_actual = r.error;
        return 0;
    }
    const uint32_t n = std::min<uint32_t>(tam_salida, uint32_t(r.salida.size()));
    if (salida && n) std::memcpy(salida, r.salida.data(), n);
    if (devueltos) *devueltos = n;
    return 1;
}

void cerrar(canal7240 c) { g.sucesos.push_back(Suceso{.tipo = Tipo::Cerrar, .canal = c}); }

uint32_t ultimo_error() {
    g.sucesos.push_back(Suceso{.tipo = Tipo::UltimoError, .valor = error_actual});
    return error_actual;
}

uint32_t leer(uint32_t puerto, int ancho) {
    uint32_t v = 0;
    auto f = g.lecturas.find(puerto);
    if (f != g.lecturas.end() && !f->second.empty()) {
        v = f->second.front();
        if (f->second.size() > 1) f->second.pop_front();
    }
    if (ancho < 32) v &= (1u << ancho) - 1;
    g.sucesos.push_back(Suceso{.tipo = Tipo::Entrada, .puerto = puerto, .ancho = ancho, .valor = v});
    return v;
}

void escribir(uint32_t puerto, int ancho, uint32_t v) {
    g.sucesos.push_back(Suceso{.tipo = Tipo::Salida, .puerto = puerto, .ancho = ancho, .valor = v});
}

uint8_t entrada8(uint32_t p) { return uint8_t(leer(p, 8)); }
uint16_t entrada16(uint32_t p) { return uint16_t(leer(p, 16)); }
uint32_t entrada32(uint32_t p) { return leer(p, 32); }
void salida8(uint32_t p, uint8_t v) { escribir(p, 8, v); }
void salida16(uint32_t p, uint16_t v) { escribir(p, 16, v); }
void salida32(uint32_t p, uint32_t v) { escribir(p, 32, v); }
void habilitar_interrupciones() { g.sucesos.push_back(Suceso{.tipo = Tipo::Interrupciones}); }

int64_t contador() {
    g.sucesos.push_back(Suceso{.tipo = Tipo::Contador});
    const int64_t v = g.contador;
    g.contador += g.paso_contador;
    return v;
}

int64_t frecuencia() {
    g.sucesos.push_back(Suceso{.tipo = Tipo::Frecuencia});
    return g.frecuencia;
}

void mensaje(const char *texto, const char *titulo) {
    g.sucesos.push_back(Suceso{.tipo = Tipo::Mensaje, .texto = texto, .titulo = titulo});
}

const plataforma7240 la_tabla = {
    "grabadora",   abrir,     peticion,  cerrar,   ultimo_error,
    entrada8,      entrada16, entrada32, salida8,  salida16,
    salida32,      habilitar_interrupciones, contador, frecuencia, mensaje,
};

}  // namespace

std::string describir(const Acceso &a) {
    char b[64];
    std::snprintf(b, sizeof b, "%s%d 0x%X = 0x%X", a.tipo == Tipo::Salida ? "out" : "in", a.ancho,
                  a.puerto, a.valor);
    return b;
}

std::vector<Acceso> Grabadora::puertos() const {
    std::vector<Acceso> v;
    for (const Suceso &s : sucesos)
        if (s.tipo == Tipo::Entrada || s.tipo == Tipo::Salida) v.push_back({s.tipo, s.puerto, s.ancho, s.valor});
    return v;
}

std::vector<Suceso> Grabadora::peticiones() const {
    std::vector<Suceso> v;
    for (const Suceso &s : sucesos)
        if (s.tipo == Tipo::Peticion) v.push_back(s);
    return v;
}

std::vector<std::string> Grabadora::mensajes() const {
    std::vector<std::string> v;
    for (const Suceso &s : sucesos)
        if (s.tipo == Tipo::Mensaje) v.push_back(s.texto);
    return v;
}

int Grabadora::contar(Tipo t) const {
    return int(std::count_if(sucesos.begin(), sucesos.end(), [t](const Suceso &s) { return s.tipo == t; }));
}

Grabadora &actual() { return g; }
const plataforma7240 *tabla() { return &la_tabla; }

}  // namespace grabadora
