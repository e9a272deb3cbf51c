// Single-shot digital and analog I/O: each export is the card check, its
// argument check and a handful of port accesses at the register's width.
#include <cmath>

#include "tarjeta.h"

namespace w7240 {

void write_ad_control(CardRecord &c) { lib.plat->salida16(c.ioPort + REG_AD_CTRL, c.adControl); }

void DelayMicroseconds(uint32_t microseconds) {
    const plataforma7240 *p = lib.plat;
    const int64_t f = p->frecuencia();
    if (f < 20000) return;
    const int64_t counts =
        static_cast<int64_t>(std::ceil(static_cast<double>(int64_t(microseconds) * f) * 0.000001));
    const int64_t start = p->contador();
    while (p->contador() - start < counts) {
    }
}

namespace {

// Replaces the bits of mask in the card's AD control shadow and writes it.
int32_t set_ad_field(int32_t card, uint16_t mask, uint32_t bits) {
    CardRecord &c = card_of(card);
    c.adControl = uint16_t((c.adControl & ~mask) | (bits & mask));
    write_ad_control(c);
    return ERR_None;
}

}  // namespace
}  // namespace w7240

using namespace w7240;

extern "C" {

int32_t W_7240_DI(int32_t card, int32_t *value) {
    if (int32_t r = card_check(card)) return r;
    put(value, lib.plat->entrada16(card_of(card).ioPort + REG_DIO));
    return ERR_None;
}

int32_t W_7240_DI_Channel(int32_t card, int32_t channel, int32_t *bit) {
    if (int32_t r = card_check(card)) return r;
    if (channel < 0 || channel > 15) return ERR_DI_Channel;
    const uint16_t word = lib.plat->entrada16(card_of(card).ioPort + REG_DIO);
    put(bit, (word >> channel) & 1);
    return ERR_None;
}

int32_t W_7240_DO(int32_t card, int32_t value) {
    if (int32_t r = card_check(card)) return r;
    lib.plat->salida16(card_of(card).ioPort + REG_DIO, uint16_t(value));
    return ERR_None;
}

int32_t W_7240_DA(int32_t card, int32_t channel, int32_t value) {
    if (int32_t r = card_check(card)) return r;
    if (channel != 0 && channel != 1) return ERR_DA_Channel;
    lib.plat->salida16(card_of(card).ioPort + (channel == 0 ? REG_DA0 : REG_DA1), uint16_t(value));
    return ERR_None;
}

int32_t W_7240_AD_Set_Channel(int32_t card, int32_t channel) {
    if (int32_t r = card_check(card)) return r;
    if (channel < 0 || channel > 15) return ERR_AD_Channel;
    set_ad_field(card, AD_CHANNEL_MASK, uint32_t(channel) << AD_CHANNEL_SHIFT);
    // The multiplexer settles after every channel write, changed or not.
    DelayMicroseconds(10);
    return ERR_None;
}

int32_t W_7240_AD_Set_Autoscan(int32_t card, int32_t on) {
    if (int32_t r = card_check(card)) return r;
    return set_ad_field(card, AD_AUTOSCAN, (uint32_t(on) & 1u) << 4);
}

int32_t W_7240_AD_Set_Range(int32_t card, int32_t range) {
    if (int32_t r = card_check(card)) return r;
    return set_ad_field(card, AD_RANGE_MASK, (uint32_t(range) & 0xFu) << AD_RANGE_SHIFT);
}

int32_t W_7240_AD_Set_Mode(int32_t card, int32_t mode) {
    if (int32_t r = card_check(card)) return r;
    if (mode < 0 || mode > 15) return ERR_AD_Mode;
    return set_ad_field(card, AD_MODE_MASK, uint32_t(mode));
}

int32_t W_7240_AD_Soft_Trig(int32_t card) {
    if (int32_t r = card_check(card)) return r;
    lib.plat->salida16(card_of(card).ioPort + REG_SOFT_TRIG, 0);
    return ERR_None;
}

int32_t W_7240_AD_Aquire(int32_t card, int32_t *value) {
    if (int32_t r = card_check(card)) return r;
    W_7240_AD_Soft_Trig(card);
    const plataforma7240 *p = lib.plat;
    const uint32_t port = card_of(card).ioPort;
    // Polled without pause, bounded by the number of status reads.
    for (int reads = 0;; ++reads) {
        if (reads == AD_STATUS_READS) return ERR_AD_Timeout;
        if (p->entrada16(port + REG_AD_STATUS) & AD_STATUS_READY) break;
    }
    put(value, p->entrada16(port + REG_AD_DATA));
    return ERR_None;
}

}  // extern "C"
