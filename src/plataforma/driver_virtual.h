// The virtual card driver: the acquisition half of the virtual machine.
//
// It stands for the card's kernel driver and for the pieces of hardware that
// acquisitions run through, for up to four virtual cards:
//   - each card's 8254 counter chip (counter 0 free, counters 1 and 2 the
//     pacer), at ioBase + 0x00, 0x04, 0x08 and 0x0C;
//   - each card's PCI bridge (bus-master writing of the converter's words
//     into memory), at opBase + 0x24, 0x28, 0x38, 0x3C;
//   - the PC's two 8259 mask registers (ports 0x21 and 0xA1);
//   - the driver requests of interrupt and DMA acquisition, and DMA memory.
// It also watches the writes to each card's AD control register, to know the
// mode, channel, range and autoscan that conversions use.
//
// Conversions happen at the pacer's rate (timer clock 10 MHz, see
// contador8254.h) and are taken:
//   - in AD mode 6 by an interrupt acquisition armed with REQ_INT_RUN, when
//     the card's interrupt line is unmasked at the 8259s: each sample goes to
//     the caller's buffer;
//   - in AD mode 5 by the bridge once bus-master writing is on (bit 10 of
//     BRIDGE_MASTER_CSR): each sample goes to the bus address in
//     BRIDGE_WRITE_ADDR, BRIDGE_WRITE_COUNT counting the bytes still to go.
// A conversion nobody takes is lost. The data word is the 12-bit code in bits
// 4-15 and the channel in bits 0-3; with autoscan on, successive conversions
// go through channels 0, 1, ... up to the channel set, then start again.
//
// A thread of the driver (the interrupt handler) sleeps until the next block
// of samples is due and produces the block at once; every request and every
// port access that looks at acquisition state first brings the state up to
// the present, so counts and statuses are exact whenever they are asked.
// One mutex guards all of it; the caller's thread and the handler never touch
// the same half of a buffer at once (a ready half is not written again until
// it is released).
//
// Addresses: requests carry addresses in 32-bit words. The word above each
// address word in the request (0x14 for the buffer requests, for the ready
// half of REQ_CONT_HALF) carries the high 32 bits on 64-bit builds, so no
// pointer is truncated. DMA memory (REQ_MEM_ALLOC) is mapped below 4 GiB,
// because the card library hands its address back in a 32-bit word.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "contador8254.h"

namespace plataforma {

// Nanoseconds of CLOCK_MONOTONIC.
uint64_t reloj_monotono();

class DriverVirtual {
public:
    static constexpr int kTarjetas = 4;
    // Bus address at which the driver maps a card's acquisition buffer.
    static constexpr uint32_t kBaseBus = 0x40000000u;
    // Size of the DMA memory block that REQ_MEM_ALLOC hands out.
    static constexpr uint32_t kBytesMemoria = 1u << 20;
    // Initial 8259 masks of the virtual PC: every line masked.
    static constexpr uint8_t kMascaraInicial = 0xFF;

    // Code (0..4095) that card `tarjeta`'s converter gives for a channel and
    // range code at the moment of conversion. It is called from the handler
    // thread with the driver's lock held: it must not call into the driver
    // and must read what other threads change (the input voltages) safely.
    using Conversor = std::function<uint16_t(int tarjeta, unsigned canal, unsigned rango)>;

    // With the monotonic clock a handler thread runs; with a clock of the
    // caller's (tests) there is no thread and the state moves only when the
    // driver is called.
    explicit DriverVirtual(Conversor conversor);
    DriverVirtual(Conversor conversor, Contador8254::Reloj reloj);
    ~DriverVirtual();
    DriverVirtual(const DriverVirtual &) = delete;
    DriverVirtual &operator=(const DriverVirtual &) = delete;

    // Stops every acquisition, frees DMA memory, masks every line: as at
    // power-on.
    void reiniciar();

    // Register access of card `tarjeta` (0..3), by offset from its I/O base
    // (puente false) or from its bridge's operation base (puente true).
    // Returns true when the register belongs to this driver (the counter
    // chip, the bridge); the value is then answered or taken here. A write
    // to the AD control register is watched and returns false, so that the
    // card model takes it too.
    bool entrada(int tarjeta, bool puente, uint32_t offset, uint32_t &valor);
    bool salida(int tarjeta, bool puente, uint32_t offset, uint32_t valor);
    // The PC's ports: the 8259 mask registers 0x21 and 0xA1.
    bool entrada_pc(uint32_t puerto, uint32_t &valor);
    bool salida_pc(uint32_t puerto, uint32_t valor);

    // One device I/O control request to the card driver. Returns nonzero
    // when it was carried out; else `error` holds a system error code.
    int peticion(uint32_t codigo, const void *entrada, uint32_t tam_entrada, void *salida,
                 uint32_t tam_salida, uint32_t *devueltos, uint32_t &error);

    // What tests look at.
    uint8_t mascara_maestro() const;
    uint8_t mascara_esclavo() const;
    uint16_t cuenta_contador(int tarjeta, unsigned contador) const;
    uint64_t periodo_pacer(int tarjeta) const;  // timer-clock ticks, 0 when stopped
    uint64_t muestras_perdidas(int tarjeta);  // up to now
    // Makes bit 5 of a card's BRIDGE_MASTER_CSR read 1 (the bridge never
    // becomes ready for bus-master writing), or 0 again.
    void fijar_puente_ocupado(int tarjeta, bool ocupado);

private:
    struct Tarjeta;

    Tarjeta *tarjeta(uint32_t numero);
    bool linea_habilitada(unsigned irq) const;
    void avanzar(uint64_t ahora);
    void avanzar(Tarjeta &t, uint64_t ahora);
    uint64_t proximo_aviso(const Tarjeta &t) const;
    void detener_puente(Tarjeta &t);
    Tarjeta *tomar_buffer(const uint8_t *in, uint32_t tin, uint8_t *out, uint32_t tout);
    void mapear_buffer(Tarjeta &t, const uint8_t *in, uint8_t *out, uint32_t veces);
    void liberar_memoria(Tarjeta &t);
    void bucle();
    void despertar();

    int peticion_int(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out, uint32_t tout,
                     uint32_t *devueltos);
    int peticion_dma(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out, uint32_t tout,
                     uint32_t *devueltos);
    int peticion_cont(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out, uint32_t tout,
                      uint32_t *devueltos);
    int peticion_memoria(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out,
                         uint32_t tout, uint32_t *devueltos);

    Conversor conversor_;
    Contador8254::Reloj reloj_;
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::unique_ptr<Tarjeta> tarjetas_[kTarjetas];
    uint8_t maestro_ = kMascaraInicial;
    uint8_t esclavo_ = kMascaraInicial;
    bool salir_ = false;
    std::thread hilo_;
};

}  // namespace plataforma
