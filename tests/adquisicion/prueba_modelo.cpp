// The virtual card's counter chip and card driver on a clock of the test's:
// exact counts, conversions at the pacer's rate, halves, overruns, and memory
// that the driver must never write outside of.
#include <gtest/gtest.h>

#include <cstring>
#include <variant>
#include <vector>

#include "contador8254.h"
#include "driver_virtual.h"

namespace {

using plataforma::Contador8254;
using plataforma::DriverVirtual;

constexpr uint64_t TICK = 100;  // ns of one 10 MHz timer-clock tick

struct Reloj {
    uint64_t ns = 1'000'000;
    Contador8254::Reloj funcion() {
        return [this] { return ns; };
    }
    void ticks(uint64_t n) { ns += n * TICK; }
};

// ---------------------------------------------------------------- counter chip

struct Escribir { unsigned puerto; uint8_t valor; };
struct Avanzar { uint64_t ticks; };
struct Leer { unsigned puerto; uint8_t esperado; };
using Paso = std::variant<Escribir, Avanzar, Leer>;

struct CasoContador {
    const char *nombre;
    std::vector<Paso> pasos;
};

class Chip : public ::testing::TestWithParam<CasoContador> {};

TEST_P(Chip, CountsAsProgrammed) {
    Reloj reloj;
    Contador8254 chip(reloj.funcion());
    int paso = 0;
    for (const Paso &p : GetParam().pasos) {
        if (auto *e = std::get_if<Escribir>(&p)) {
            chip.escribir(e->puerto, e->valor);
        } else if (auto *a = std::get_if<Avanzar>(&p)) {
            reloj.ticks(a->ticks);
        } else if (auto *l = std::get_if<Leer>(&p)) {
            EXPECT_EQ(int(chip.leer(l->puerto)), int(l->esperado)) << "step " << paso;
        }
        ++paso;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, Chip,
    ::testing::Values(
        // Mode 2 with 1000: 900 after 100 ticks, and 750 after one more period and 150 ticks.
        CasoContador{"rate_generator", {Escribir{3, 0x34}, Escribir{0, 0xE8}, Escribir{0, 0x03}, Avanzar{100},
                                        Escribir{3, 0x00}, Leer{0, 0x84}, Leer{0, 0x03}, Avanzar{1150},
                                        Escribir{3, 0x00}, Leer{0, 0xEE}, Leer{0, 0x02}}},
        // A count of 0 is 65536; mode 0 passes zero and wraps.
        CasoContador{"zero_is_65536", {Escribir{3, 0x30}, Escribir{0, 0}, Escribir{0, 0}, Avanzar{1},
                                       Escribir{3, 0x00}, Leer{0, 0xFF}, Leer{0, 0xFF}}},
        CasoContador{"mode0_wraps", {Escribir{3, 0x30}, Escribir{0, 5}, Escribir{0, 0}, Avanzar{7},
                                     Escribir{3, 0x00}, Leer{0, 0xFE}, Leer{0, 0xFF}}},
        // Reloaded with 1 in mode 0: 0 after one tick, 0xFFFF after two.
        CasoContador{"stop_reload", {Escribir{3, 0x30}, Escribir{0, 1}, Escribir{0, 0}, Avanzar{1},
                                     Escribir{3, 0x00}, Leer{0, 0}, Leer{0, 0}, Avanzar{1}, Escribir{3, 0x00},
                                     Leer{0, 0xFF}, Leer{0, 0xFF}}},
        // The latch holds the count while the counter goes on; a second latch
        // before the first is read is ignored.
        CasoContador{"latch_holds", {Escribir{3, 0x34}, Escribir{0, 0xE8}, Escribir{0, 0x03}, Avanzar{100},
                                     Escribir{3, 0x00}, Avanzar{100}, Escribir{3, 0x00}, Leer{0, 0x84},
                                     Leer{0, 0x03}, Escribir{3, 0x00}, Leer{0, 0x20}, Leer{0, 0x03}}},
        // Read-back of count and status: status byte first (output high,
        // low-then-high access, mode 2, binary), then the count.
        CasoContador{"read_back", {Escribir{3, 0x34}, Escribir{0, 0xE8}, Escribir{0, 0x03}, Avanzar{100},
                                   Escribir{3, 0xC2}, Leer{0, 0xB4}, Leer{0, 0x84}, Leer{0, 0x03}}},
        // Low byte only access.
        CasoContador{"low_byte_only", {Escribir{3, 0x10}, Escribir{0, 200}, Avanzar{50}, Leer{0, 150}}},
        // Mode 3 with 10 counts down by two each half period.
        CasoContador{"square_wave", {Escribir{3, 0x36}, Escribir{0, 10}, Escribir{0, 0}, Avanzar{3},
                                     Escribir{3, 0x00}, Leer{0, 4}, Leer{0, 0}, Avanzar{2}, Escribir{3, 0x00},
                                     Leer{0, 10}, Leer{0, 0}}},
        // Counter 2, unlatched reads toggle low then high byte.
        CasoContador{"counter2_live", {Escribir{3, 0xB4}, Escribir{2, 0x00}, Escribir{2, 0x10}, Avanzar{0x100},
                                       Leer{2, 0x00}, Leer{2, 0x0F}}}),
    [](const auto &i) { return std::string(i.param.nombre); });

TEST(Pacer, PeriodIsTheProductOfTheCascadedCounters) {
    Reloj reloj;
    Contador8254 chip(reloj.funcion());
    EXPECT_EQ(chip.periodo_pacer(), 0u);
    auto programar = [&](uint16_t d1, uint16_t d2) {
        chip.escribir(3, 0x76);
        chip.escribir(1, uint8_t(d1));
        chip.escribir(1, uint8_t(d1 >> 8));
        chip.escribir(3, 0xB6);
        chip.escribir(2, uint8_t(d2));
        chip.escribir(2, uint8_t(d2 >> 8));
    };
    programar(4, 5);
    EXPECT_EQ(chip.periodo_pacer(), 20u);
    const uint64_t generacion = chip.generacion_pacer();
    reloj.ticks(10);
    programar(0, 0);
    EXPECT_EQ(chip.periodo_pacer(), 65536ull * 65536ull);
    EXPECT_GT(chip.generacion_pacer(), generacion);
    EXPECT_EQ(chip.inicio_pacer(), reloj.ns);
    chip.escribir(3, 0x76);  // a control word stops counter 1 until its count comes
    EXPECT_EQ(chip.periodo_pacer(), 0u);
    chip.escribir(3, 0x70);  // mode 0 is not periodic
    chip.escribir(1, 4);
    chip.escribir(1, 0);
    EXPECT_EQ(chip.periodo_pacer(), 0u);
}

// ---------------------------------------------------------------- card driver

// Code 100 x channel + range, so every word tells where it came from.
uint16_t conversor(int, unsigned canal, unsigned rango) { return uint16_t(100 * canal + rango); }

class Driver : public ::testing::Test {
protected:
    Reloj reloj;
    DriverVirtual d{conversor, reloj.funcion()};

    void pacer(uint16_t d1, uint16_t d2) {
        d.salida(0, false, 0x0C, 0x76);
        d.salida(0, false, 0x04, d1 & 0xFF);
        d.salida(0, false, 0x04, d1 >> 8);
        d.salida(0, false, 0x0C, 0xB6);
        d.salida(0, false, 0x08, d2 & 0xFF);
        d.salida(0, false, 0x08, d2 >> 8);
    }
    void control_ad(uint16_t w) { EXPECT_FALSE(d.salida(0, false, 0x18, w)); }
    int pedir(uint32_t codigo, std::vector<uint32_t> in, void *out, uint32_t tout) {
        uint32_t error = 0;
        return d.peticion(codigo, in.data(), uint32_t(in.size() * 4), out, tout, nullptr, error);
    }
    std::vector<uint32_t> pedir(uint32_t codigo, std::vector<uint32_t> in, size_t palabras_salida) {
        std::vector<uint32_t> out(palabras_salida);
        EXPECT_EQ(pedir(codigo, in, out.data(), uint32_t(out.size() * 4)), 1);
        return out;
    }
    std::pair<uint32_t, uint32_t> estado_int() {  // {count, status}
        const auto r = pedir(2, {0, 0}, 2);
        return {r[0], r[1]};
    }
    void armar_int(uint16_t *buffer, uint32_t cuenta) {
        const auto setup = pedir(1, {0, 10, 0, cuenta, 0xD000, 1, 0xC000}, 6);
        auto run = setup;
        run[0] = 0;
        ASSERT_EQ(pedir(3, run, buffer, cuenta * 2), 1);
    }
    void desenmascarar_10() {
        d.salida_pc(0x21, 0xFB);
        d.salida_pc(0xA1, 0xFB);
    }
    void puente(uint32_t bytes) {
        d.salida(0, true, 0x24, DriverVirtual::kBaseBus);
        d.salida(0, true, 0x28, bytes);
        d.salida(0, true, 0x3C, 0x400);
    }
    std::vector<uint32_t> informe(uint32_t sub = 0) { return pedir(12, {0, sub}, 6); }
};

// Conversions come one per pacer period (100 ticks here), channel 2 at range 1.
TEST_F(Driver, InterruptConversionsAtThePacerRate) {
    std::vector<uint16_t> buffer(100, 0xFFFF);
    armar_int(buffer.data(), 100);
    desenmascarar_10();
    control_ad(1 << 9 | 2 << 5 | 6);
    pacer(10, 10);
    reloj.ticks(550);
    EXPECT_EQ(estado_int(), std::make_pair(5u, 1u));
    EXPECT_EQ(buffer[4], 201 << 4 | 2);
    EXPECT_EQ(buffer[5], 0xFFFF);
    reloj.ticks(100 * 100);
    EXPECT_EQ(estado_int(), std::make_pair(100u, 0u));
    for (uint16_t w : buffer) ASSERT_EQ(w, 201 << 4 | 2);
}

// A masked line takes nothing; conversions then are lost and counted.
TEST_F(Driver, MaskedLineTakesNothing) {
    std::vector<uint16_t> buffer(10, 0xFFFF);
    armar_int(buffer.data(), 10);
    d.salida_pc(0x21, 0xFF & ~0x04);  // cascade open, line 10 still masked at the slave
    control_ad(6);
    pacer(10, 10);
    reloj.ticks(1000);
    EXPECT_EQ(estado_int(), std::make_pair(0u, 1u));
    EXPECT_EQ(d.muestras_perdidas(0), 10u);
    EXPECT_EQ(buffer[0], 0xFFFF);
}

// Halves of four samples: ready in turn; a half not released when the bridge
// needs it is an overrun, and the bridge waits for it (conversions lost).
TEST_F(Driver, ContinuousHalvesOverrunAndResume) {
    std::vector<uint16_t> buffer(8, 0xFFFF);
    const uintptr_t p = reinterpret_cast<uintptr_t>(buffer.data());
    const auto r = pedir(9, {0, 8, 10, uint32_t(p), 0, uint32_t(uint64_t(p) >> 32), 0}, 6);
    ASSERT_EQ(r[2], DriverVirtual::kBaseBus);
    puente(8);
    control_ad(0x10 | 3 << 5 | 5);  // autoscan 0..3
    pacer(10, 10);
    auto direccion = [](const std::vector<uint32_t> &w) { return uint64_t(w[4]) | uint64_t(w[5]) << 32; };

    reloj.ticks(450);
    auto i = informe();
    EXPECT_EQ(i[0], 1u);  // running
    EXPECT_EQ(i[2], 1u);  // a half is ready
    EXPECT_EQ(direccion(i), p);
    EXPECT_EQ(buffer[3], 300 << 4 | 3);
    informe(1);  // release half 0
    reloj.ticks(400);
    i = informe();
    EXPECT_EQ(i[2], 1u);
    EXPECT_EQ(direccion(i), p + 8);
    EXPECT_EQ(i[1], 0u);
    reloj.ticks(400);  // half 0 filled again, half 1 still held: overrun
    i = informe();
    EXPECT_EQ(i[1], 1u);
    EXPECT_EQ(direccion(i), p + 8);  // oldest first
    reloj.ticks(200);
    EXPECT_EQ(d.muestras_perdidas(0), 2u);
    i = informe(1);  // release half 1: the bridge goes on into it
    EXPECT_EQ(direccion(i), p);
    reloj.ticks(400);
    EXPECT_EQ(informe()[2], 1u);
    EXPECT_EQ(d.muestras_perdidas(0), 2u);
    pedir(13, {0}, nullptr, 0);
    EXPECT_EQ(informe()[0], 0u);
}

// The bridge writes only inside the buffer the driver mapped, whatever count
// it is given.
TEST_F(Driver, BridgeNeverWritesOutsideTheMappedBuffer) {
    std::vector<uint16_t> memoria(8, 0xAAAA);
    const uintptr_t p = reinterpret_cast<uintptr_t>(memoria.data() + 2);
    pedir(4, {0, 4, 10, uint32_t(p), 0, uint32_t(uint64_t(p) >> 32), 0}, 6);  // two samples
    puente(12);  // six samples asked of the bridge
    control_ad(5);
    pacer(10, 10);
    reloj.ticks(1000);
    EXPECT_EQ(pedir(7, {0, 0}, 2)[0], 0u);  // finished
    EXPECT_EQ(memoria, (std::vector<uint16_t>{0xAAAA, 0xAAAA, 0, 0, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}));
    uint32_t resto = 1;
    d.entrada(0, true, 0x28, resto);
    EXPECT_EQ(resto, 0u);
}

TEST_F(Driver, DmaMemoryBelowFourGiBAndFreeStopsItsUser) {
    const auto m = pedir(14, {0}, 12);
    ASSERT_NE(m[0], 0xFFFFFFFFu);
    EXPECT_EQ(m[1], DriverVirtual::kBytesMemoria);
    auto *memoria = reinterpret_cast<uint16_t *>(uintptr_t(m[0]));
    memoria[0] = 7;  // usable
    pedir(9, {0, 64, 10, m[0], 0, 0, 0}, 6);
    puente(64);
    control_ad(5);
    pacer(10, 10);
    reloj.ticks(300);
    EXPECT_EQ(informe()[0], 1u);
    pedir(15, {0}, 12);
    EXPECT_EQ(informe()[0], 0u);  // the acquisition in it was stopped
    reloj.ticks(10000);             // and nothing writes into the freed memory
    EXPECT_EQ(d.muestras_perdidas(0), 100u);  // 103 conversions, 3 taken
}

TEST_F(Driver, RequestsForUnknownCardsOrShortBuffersAreRefused) {
    uint32_t error = 0;
    std::vector<uint32_t> in{9, 0, 0, 0, 0, 0, 0}, out(6);
    EXPECT_EQ(d.peticion(1, in.data(), 28, out.data(), 24, nullptr, error), 0);  // card 9
    EXPECT_EQ(error, 87u);
    in[0] = 0;
    EXPECT_EQ(d.peticion(1, in.data(), 20, out.data(), 24, nullptr, error), 0);  // short
    EXPECT_EQ(d.peticion(99, in.data(), 28, out.data(), 24, nullptr, error), 0);
    EXPECT_EQ(error, 1u);
    // A run without a sample count runs nothing.
    std::vector<uint16_t> buffer(4, 0xFFFF);
    const auto setup = pedir(1, {0, 10, 0, 0, 0xD000, 1, 0xC000}, 6);
    EXPECT_EQ(pedir(3, setup, buffer.data(), 8), 0);
    EXPECT_EQ(estado_int(), std::make_pair(0u, 0u));
}

}  // namespace
