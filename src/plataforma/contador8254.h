// The virtual card's 8254-compatible counter chip.
//
// Three 16-bit down counters behind four ports (counter 0, 1, 2 and the
// control word), as the card library reaches them:
//   - counter 0 is free for the user; it counts the timer clock with its gate
//     held high and can be read as it counts, directly or through a latch
//     command (control word 00 in bits 4-5) or a read-back command (0xC0+).
//   - counters 1 and 2 are cascaded as the pacer: counter 1 counts the timer
//     clock and its output clocks counter 2, whose output starts one analog
//     conversion per period. The pacer's period is N1 x N2 timer-clock ticks.
//
// Timer clock: the virtual card's counters are clocked at 10 MHz
// (kRelojHz), so the pacer runs from 10 MHz / 20 = 500,000 conversions a
// second (the fastest dividers that the card library accepts) down to one
// conversion every 65536 x 65536 / 10 MHz = 429.5 s (both dividers 0).
//
// A count of 0 counts as 65536. Counting is binary; the BCD bit is kept and
// reported in the status byte, but counting stays binary. Modes 1 and 5
// (hardware triggered) take their trigger when the count is loaded, because
// the virtual card has no gate inputs.
//
// Time is read from a clock given at construction (nanoseconds), so tests can
// drive the chip with a clock of their own. The chip is not thread-safe: its
// owner serialises access.
#pragma once

#include <cstdint>
#include <functional>

namespace plataforma {

class Contador8254 {
public:
    static constexpr uint64_t kRelojHz = 10'000'000;

    // Nanoseconds on a monotonic time base.
    using Reloj = std::function<uint64_t()>;

    explicit Contador8254(Reloj reloj);

    // Port offsets 0, 1, 2 are the counters, 3 the control word (the card
    // places them 4 bytes apart; the caller maps its port to 0..3).
    void escribir(unsigned puerto, uint8_t valor);
    uint8_t leer(unsigned puerto);

    // Current count of a counter (0..65535; 65536 reads as 0), as the chip
    // would show it now without latching.
    uint16_t cuenta(unsigned contador) const;

    // The pacer: period in timer-clock ticks (N1 x N2), or 0 while it does
    // not run (a counter without a count, or not in a periodic mode 2 or 3).
    uint64_t periodo_pacer() const;
    // Time (ns) when the pacer began its present period sequence: the last
    // time either pacer counter was loaded. Each change restarts it.
    uint64_t inicio_pacer() const { return inicio_pacer_; }
    // Grows by one on every change of the pacer's programming, so that a
    // consumer can tell that the period sequence restarted.
    uint64_t generacion_pacer() const { return generacion_pacer_; }

    // Mode and loaded count of a counter (for tests and for the driver).
    unsigned modo(unsigned contador) const { return c_[contador].modo; }
    uint32_t inicial(unsigned contador) const { return c_[contador].inicial; }

private:
    struct Contador {
        unsigned acceso = 3;     // 1 low byte, 2 high byte, 3 low then high
        unsigned modo = 0;
        bool bcd = false;
        bool cargado = false;    // a full count has been written
        uint32_t inicial = 0;    // 1..65536
        uint64_t carga_ns = 0;   // when the count was loaded
        // Writing the count in two bytes: the low byte waits for the high one.
        bool escribiendo_alto = false;
        uint8_t byte_bajo = 0;
        // Reading: latched count and/or status, and the byte toggle.
        bool latch_cuenta = false;
        uint16_t latch = 0;
        bool latch_alto_pendiente = false;  // low byte of the latch was read
        bool latch_estado = false;
        uint8_t estado = 0;
        bool leyendo_alto = false;
    };

    uint64_t ticks_desde(const Contador& c) const;
    uint16_t valor(const Contador& c) const;
    bool salida(const Contador& c) const;
    void cargar(unsigned n, uint32_t cuenta);
    void programar(unsigned n, uint8_t palabra);
    void retener_cuenta(unsigned n);
    void retener_estado(unsigned n);

    Reloj reloj_;
    Contador c_[3];
    uint64_t inicio_pacer_ = 0;
    uint64_t generacion_pacer_ = 0;
};

}  // namespace plataforma
