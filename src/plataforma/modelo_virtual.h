// The virtual PCI bus and the register-level model of the 7240 card beneath
// the virtual backend. The card library's register logic drives it through
// the same port accesses as the hardware; tests reach it through
// tarjeta_virtual.h.
#pragma once

#include <cstdint>

#include "driver_virtual.h"

namespace plataforma::virtual7240 {

inline constexpr int MAX_TARJETAS = 8;
inline constexpr uint8_t BUS_PCI = 1;  // every virtual card sits on bus 1
inline constexpr uint8_t PRIMER_DISPOSITIVO = 4;  // card N is device 4 + N, function 0

struct Tarjeta {
    uint8_t config[256];  // PCI configuration space
    // Decoded from the configuration space when the bus is set up.
    uint32_t base_io;
    uint32_t base_op;

    // Card registers.
    uint16_t di;
    uint16_t do_latch;
    uint16_t da[2];
    uint16_t control_ad;
    uint16_t estado_ad;
    uint16_t dato_ad;
    double voltios[16];
    uint32_t espera;        // status reads before ready after a trigger
    uint32_t lecturas_hasta_listo;
    bool convirtiendo;      // triggered, ready bit not shown yet
    int canal_barrido;      // next channel of an autoscan
    uint32_t conversiones;

    // Counter chip registers (REG_TIMER0..REG_TIMER_CTRL) as last written,
    // and the PCI bridge operation registers (opBase + 0x00..0x3C).
    uint32_t temporizador[4];
    uint32_t puente[16];
};

struct Bus {
    int cuantas = 0;
    bool pcibios = true;
    Tarjeta tarjetas[MAX_TARJETAS];
    bool interrupciones = false;     // processor's interrupt-enable flag
};

// The bus, set up from the environment on first use.
Bus &bus();
void reiniciar();

// Card whose index is tarjeta, or null.
Tarjeta *tarjeta(int indice);

// Port accesses of the card's I/O and bridge registers; width 1, 2 or 4.
// Ports no card decodes read all ones and ignore writes.
uint32_t leer_puerto(uint32_t puerto, int ancho);
void escribir_puerto(uint32_t puerto, int ancho, uint32_t valor);

// The data word the converter gives for a channel at the AD control word's range.
uint16_t convertir(const Tarjeta &t, int canal);
// The 12-bit code of a voltage at a range code.
uint16_t codigo(double voltios, int rango);

// The card driver of the virtual bus: counter chips, bridges, 8259 masks and
// acquisitions (started on first use). Input voltages are read by its
// handler thread, so they are written and read atomically.
DriverVirtual &driver();

}  // namespace plataforma::virtual7240
