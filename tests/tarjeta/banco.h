// Fixture of the card library's unit tests: the register logic loaded over
// the recording platform, with helpers that script the PCI BIOS answers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "7240.h"
#include "grabadora.h"
#include "tarjeta.h"

namespace banco {

using grabadora::Acceso;
using grabadora::Respuesta;
using grabadora::Tipo;

// A PCI BIOS register image as the driver answers it.
inline Respuesta regs(uint32_t eax, uint32_t ebx = 0, uint32_t ecx = 0, uint32_t edx = 0,
                      uint32_t eflags = 0) {
    w7240::PciBiosRegs r{eax, ebx, ecx, edx, 0, 0, eflags};
    Respuesta a;
    a.salida.resize(sizeof r);
    std::memcpy(a.salida.data(), &r, sizeof r);
    return a;
}

inline Respuesta bios_presente() { return regs(0x0001, 0x0210, 0x01, w7240::PCIBIOS_SIGNATURE); }
inline Respuesta encontrada(uint8_t bus, uint8_t devfn) { return regs(0, uint32_t(bus) << 8 | devfn); }
inline Respuesta no_encontrada() { return regs(0x8600, 0, 0, 0, 1); }
inline Respuesta config(uint32_t valor) { return regs(0, 0, valor); }

// PCI configuration of a scripted card.
struct Pci {
    uint32_t comando = 0x07;
    uint32_t bar0 = 0xD001;
    uint32_t bar2 = 0xC001;
    uint32_t irq = 10;
};

// The answers W_7240_Initial gets for a card present with these settings.
inline void guion_tarjeta(const Pci &p = {}) {
    auto &g = grabadora::actual();
    g.respuestas.push_back(bios_presente());
    g.respuestas.push_back(encontrada(1, 0x20));
    g.respuestas.push_back(config(p.comando));
    g.respuestas.push_back(config(p.bar0));
    g.respuestas.push_back(config(p.bar2));
    g.respuestas.push_back(config(p.irq));
}

inline constexpr uint32_t IO = 0xC000;  // ioBase of the default scripted card

class Banco : public ::testing::Test {
protected:
    grabadora::Grabadora &g = grabadora::actual();

    void SetUp() override {
        g.reiniciar();
        ASSERT_TRUE(w7240::cargar(grabadora::tabla()));
    }
    void TearDown() override { w7240::descargar(); }

    // Opens card 0 with the default settings and forgets what that recorded.
    void abrir_tarjeta() {
        guion_tarjeta();
        ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
        g.sucesos.clear();
    }
};

inline Acceso out16(uint32_t puerto, uint32_t valor) { return {Tipo::Salida, puerto, 16, valor}; }
inline Acceso in16(uint32_t puerto, uint32_t valor) { return {Tipo::Entrada, puerto, 16, valor}; }

// One row of a table of port accesses: what the ports answer, the call, its
// result and out-value (-7: left untouched), and the accesses it must make.
struct CasoPuertos {
    const char *nombre;
    std::map<uint32_t, std::deque<uint32_t>> lecturas;
    std::function<int32_t(int32_t *)> llamar;
    int32_t resultado;
    int32_t salida;
    std::vector<Acceso> accesos;
};

// Runs a row against the recording platform: exactly its port accesses and no
// driver request.
inline void comprobar_puertos(grabadora::Grabadora &g, const CasoPuertos &c) {
    g.lecturas = c.lecturas;
    int32_t salida = -7;
    EXPECT_EQ(c.llamar(&salida), c.resultado);
    EXPECT_EQ(salida, c.salida);
    EXPECT_EQ(g.puertos(), c.accesos);
    EXPECT_TRUE(g.peticiones().empty());
}

}  // namespace banco

namespace grabadora {
inline void PrintTo(const Acceso &a, std::ostream *os) { *os << describir(a); }
}  // namespace grabadora
