// Internal state of the card library: the platform in use, the driver
// channels, the card table and the card check shared by every export.
#pragma once

#include <cstdint>

#include "7240.h"
#include "plataforma7240.h"
#include "registros.h"

namespace w7240 {

struct CardRecord {
    uint32_t opened;      // 0xFF until W_7240_Initial succeeds, then 0
    uint16_t opBase;      // PCI bridge operation registers
    uint16_t ioBase;      // card I/O registers
    uint32_t ioPort;      // ioBase widened for port addressing
    uint8_t irq;          // interrupt line, 0xFF = none
    uint16_t adControl;   // shadow of REG_AD_CTRL
    uint32_t dmaBytes;
    uint32_t dmaRunning;
    uint32_t intStarted;
    uint32_t savedIrq;
    uint8_t savedMask;
};

inline constexpr uint32_t NOT_OPENED = 0xFF;

// Library-wide state, in static storage.
struct Library {
    const plataforma7240 *plat = nullptr;
    canal7240 cardDriver = CANAL7240_INVALIDO;
    canal7240 pciDriver = CANAL7240_INVALIDO;
    char message[128] = {};
    uint32_t dmaDone = 0;
    uint32_t returnedBytes = 0;  // returned-byte count of card driver requests; never read
    CardRecord cards[MAX_CARDS];
};
extern Library lib;

// Load: opens the card driver, then the PCI BIOS driver, over the platform
// given. Returns false (after showing the message) when the card driver
// cannot be opened. Unload closes the PCI BIOS driver, then the card driver.
bool cargar(const plataforma7240 *plat);
void descargar();

// Puts every card number back to "not opened", as at load.
void reiniciar_tabla();

// The card check: ERR_Card_Not_Initial for a number with no slot or a card
// not opened yet, else ERR_None.
int32_t card_check(int32_t card);
inline CardRecord &card_of(int32_t card) { return lib.cards[card]; }
inline bool has_slot(int32_t card) { return card >= 0 && card < MAX_CARDS; }

// Busy-wait on the high-resolution counter (the settling wait of a channel change).
void DelayMicroseconds(uint32_t microseconds);

// Writes the AD control shadow of a card to REG_AD_CTRL.
void write_ad_control(CardRecord &c);

// Writes v through an out-argument unless it is null.
template <class T, class V>
inline void put(T *out, V v) {
    if (out) *out = static_cast<T>(v);
}

}  // namespace w7240
