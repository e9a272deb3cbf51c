// Pacer timer, counter 0, interrupt-driven and DMA acquisition.
//
// The exports program the card's 8254 counter chip and PCI bridge through
// port accesses at the widths the card expects, unmask the card's interrupt
// line at the PC's 8259s, and hand buffers to the card driver, which fills
// them while the caller goes on. The library keeps its bookkeeping in the
// card table (intStarted, dmaRunning, dmaBytes, savedIrq, savedMask) and the
// library-wide dmaDone flag; it starts no threads and takes no locks.
#include <cstring>

#include "tarjeta.h"

namespace w7240 {
namespace {

// Bus-master go: BRIDGE_MASTER_CSR reads before giving up on bit 5.
constexpr int GO_READS = 100000;
// V_7240_AD_INT_Start waits this long beyond the acquisition's own duration.
constexpr double INT_WAIT_GRACE_S = 1.0;

constexpr uint32_t MASTER_BUSY = 0x20;        // bit 5
constexpr uint32_t MASTER_WRITE_ON = 0x400;   // bit 10
constexpr uint32_t INT_CSR_INTERRUPT_ACQ = 0x28001F00;

// 8254 control words.
constexpr uint32_t CW_COUNTER1_MODE3 = 0x76;
constexpr uint32_t CW_COUNTER2_MODE3 = 0xB6;
constexpr uint8_t CW_COUNTER0 = 0x30;  // low then high byte, mode in bits 1-3
constexpr uint8_t CW_LATCH0 = 0x00;

const plataforma7240 &P() { return *lib.plat; }

// One request to the card driver; the returned-byte count goes to the
// library-wide variable that nothing reads, unless `sin_devueltos`.
bool request(uint32_t code, const void *in, uint32_t in_size, void *out, uint32_t out_size,
             bool sin_devueltos = false) {
    return P().peticion(lib.cardDriver, code, in, in_size, out, out_size,
                        sin_devueltos ? nullptr : &lib.returnedBytes) != 0;
}

// An address as two 32-bit request words: the low word where the layout
// puts it, the high word (0 on 32-bit builds) at 0x14.
uint32_t addr_low(const void *p) { return uint32_t(uint64_t(reinterpret_cast<uintptr_t>(p))); }
uint32_t addr_high(const void *p) { return uint32_t(uint64_t(reinterpret_cast<uintptr_t>(p)) >> 32); }

bool dividers_refused(int32_t d1, int32_t d2) {
    return d1 == 1 || d2 == 1 || uint32_t(d1) * uint32_t(d2) < 20;
}
bool bad_ad_channel(int32_t channel) { return channel < 0 || channel > 15; }
bool bad_ad_range(int32_t range) { return range < 0 || range > 15; }

// Interrupt mask handling at the 8259s. A line above 15 (0xFF: none) has no
// mask bit: nothing is read or written, and nothing is restored for it.
void unmask_line(CardRecord &c) {
    const unsigned line = c.irq;
    if (line > 15) return;
    if (line < 8) {
        const uint8_t m = P().entrada8(PIC_MASTER_MASK);
        c.savedMask = m;
        P().salida8(PIC_MASTER_MASK, uint8_t(m & ~(1u << line)));
    } else {
        const uint8_t m = P().entrada8(PIC_MASTER_MASK);
        P().salida8(PIC_MASTER_MASK, uint8_t(m & ~0x04u));  // cascade input
        const uint8_t s = P().entrada8(PIC_SLAVE_MASK);
        c.savedMask = s;
        P().salida8(PIC_SLAVE_MASK, uint8_t(s & ~(1u << (line - 8))));
    }
}

void restore_mask(const CardRecord &c) {
    if (c.savedIrq > 15) return;
    P().salida8(c.savedIrq >= 8 ? PIC_SLAVE_MASK : PIC_MASTER_MASK, c.savedMask);
}

void ResetBridge(const CardRecord &c) {
    const uint32_t op = c.opBase;
    P().salida32(op + BRIDGE_WRITE_COUNT, 0x100);
    P().salida32(op + BRIDGE_MASTER_CSR, 0x0E000000);
    P().salida32(op + BRIDGE_MASTER_CSR, 0);
    P().salida32(op + BRIDGE_INT_CSR, 0x00BF0000);
    P().salida32(op + BRIDGE_INT_CSR, 0);
    P().salida32(op + BRIDGE_INT_CSR, 0x28004000);
    P().salida32(op + BRIDGE_INT_CSR, P().entrada32(op + BRIDGE_INT_CSR) | 0x00BF0000);
    P().entrada32(op + BRIDGE_INT_CSR);
    P().salida32(op + BRIDGE_MASTER_CSR, P().entrada32(op + BRIDGE_MASTER_CSR) | 0x0E000200);
    P().entrada32(op + BRIDGE_MASTER_CSR);
}

// Waits for bit 5 of BRIDGE_MASTER_CSR to read 0 (at most GO_READS reads, no
// pause), then switches bus-master writing on. False when the bridge never
// became ready: nothing was switched on.
bool bus_master_go(const CardRecord &c) {
    const uint32_t port = c.opBase + BRIDGE_MASTER_CSR;
    for (int reads = 0;; ++reads) {
        if (reads == GO_READS) return false;
        if (!(P().entrada32(port) & MASTER_BUSY)) break;
    }
    P().salida32(port, P().entrada32(port) | MASTER_WRITE_ON);
    return true;
}

// Pacer dividers as the chip counts them (0 is 65536).
double divider_value(int32_t d) { return (uint32_t(d) & 0xFFFFu) == 0 ? 65536.0 : double(uint32_t(d) & 0xFFFFu); }

}  // namespace
}  // namespace w7240

using namespace w7240;

extern "C" {

// ---------------------------------------------------------------- pacer and counter 0

int32_t W_7240_AD_Timer(int32_t card, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (d1 != 0 && d2 != 0 && dividers_refused(d1, d2)) return ERR_Timer_Divider;
    const uint32_t io = card_of(card).ioPort;
    P().salida32(io + REG_TIMER_CTRL, CW_COUNTER1_MODE3);
    P().salida32(io + REG_TIMER1, uint32_t(d1) & 0xFF);
    P().salida32(io + REG_TIMER1, (uint32_t(d1) >> 8) & 0xFF);
    P().salida32(io + REG_TIMER_CTRL, CW_COUNTER2_MODE3);
    P().salida32(io + REG_TIMER2, uint32_t(d2) & 0xFF);
    P().salida32(io + REG_TIMER2, (uint32_t(d2) >> 8) & 0xFF);
    return ERR_None;
}

int32_t W_7240_TIMER_Start(int32_t card, int32_t mode, int32_t divisor) {
    if (int32_t r = card_check(card)) return r;
    if (mode < 0 || mode > 5) return ERR_Timer_Mode;
    const uint32_t io = card_of(card).ioPort;
    P().salida8(io + REG_TIMER_CTRL, uint8_t(CW_COUNTER0 + 2 * mode));
    P().salida8(io + REG_TIMER0, uint8_t(divisor));
    P().salida8(io + REG_TIMER0, uint8_t(uint32_t(divisor) >> 8));
    return ERR_None;
}

int32_t W_7240_TIMER_Read(int32_t card, int32_t *count) {
    if (int32_t r = card_check(card)) return r;
    const uint32_t io = card_of(card).ioPort;
    P().salida8(io + REG_TIMER_CTRL, CW_LATCH0);
    const uint32_t low = P().entrada8(io + REG_TIMER0);
    const uint32_t high = P().entrada8(io + REG_TIMER0);
    put(count, low + 256 * high);
    return ERR_None;
}

int32_t W_7240_TIMER_Stop(int32_t card, int32_t *count) {
    if (int32_t r = W_7240_TIMER_Read(card, count)) return r;
    const uint32_t io = card_of(card).ioPort;
    P().salida8(io + REG_TIMER_CTRL, CW_COUNTER0);  // mode 0
    P().salida8(io + REG_TIMER0, 1);
    P().salida8(io + REG_TIMER0, 0);
    return ERR_None;
}

// ---------------------------------------------------------------- interrupt acquisition

int32_t W_7240_AD_INT_Start(int32_t card, int32_t autoscan, int32_t channel, int32_t range,
                            int32_t count, uint16_t *buffer, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;
    if (bad_ad_range(range)) return ERR_AD_Range;
    if (dividers_refused(d1, d2)) return ERR_Timer_Divider;  // a zero divider too

    CardRecord &c = card_of(card);
    W_7240_AD_Timer(card, 0, 0);
    W_7240_AD_Set_Range(card, range);
    W_7240_AD_Set_Channel(card, channel);
    W_7240_AD_Set_Autoscan(card, autoscan);
    c.intStarted = 1;
    c.savedIrq = c.irq;
    if (c.irq == 0xFF) return ERR_None;  // no interrupt line: nothing else is armed

    const uint32_t setup[7] = {uint32_t(card), c.irq, 0, uint32_t(count), c.opBase, 1, c.ioBase};
    uint32_t answer[6] = {};
    if (!request(REQ_INT_SETUP, setup, sizeof setup, answer, sizeof answer))
        P().mensaje("Error", "");
    // The run request carries the set-up's answer (zeros if it was refused).
    answer[0] = uint32_t(card);
    request(REQ_INT_RUN, answer, sizeof answer, buffer, uint32_t(count) * 2);

    unmask_line(c);
    P().salida32(c.opBase + BRIDGE_INT_CSR, INT_CSR_INTERRUPT_ACQ);
    P().habilitar_interrupciones();
    W_7240_AD_Set_Mode(card, 6);
    W_7240_AD_Timer(card, d1, d2);
    return ERR_None;
}

int32_t W_7240_AD_INT_Status(int32_t card, int32_t *status, int32_t *count) {
    if (int32_t r = card_check(card)) return r;
    const uint32_t in[2] = {0, uint32_t(card)};
    uint32_t out[2] = {};
    // Both buffers are declared 2 bytes; the driver takes the two whole words.
    request(REQ_INT_CONTROL, in, 2, out, 2);
    put(status, out[1]);
    put(count, out[0]);
    return ERR_None;
}

int32_t W_7240_AD_INT_Stop(int32_t card, int32_t *count) {
    if (int32_t r = card_check(card)) return r;
    CardRecord &c = card_of(card);
    if (!c.intStarted) return ERR_INT_Not_Started;
    restore_mask(c);
    W_7240_AD_Timer(card, 0, 0);
    const uint32_t in[2] = {1, uint32_t(card)};
    uint32_t out[2] = {};
    request(REQ_INT_CONTROL, in, 2, out, 2);
    put(count, out[0]);
    return ERR_None;
}

int32_t V_7240_AD_INT_Start(int32_t card, int32_t autoscan, int32_t channel, int32_t range,
                            int32_t count, uint16_t *buffer, int32_t d1, int32_t d2) {
    if (int32_t r = W_7240_AD_INT_Start(card, autoscan, channel, range, count, buffer, d1, d2))
        return r;
    // The wait is bounded by the acquisition's duration at the card's timer
    // clock plus a grace, on the high-resolution counter.
    const double seconds = double(count > 0 ? count : 0) * divider_value(d1) * divider_value(d2) /
                               double(TIMER_CLOCK_HZ) + INT_WAIT_GRACE_S;
    const int64_t f = P().frecuencia();
    const double limit_counts = seconds * double(f > 0 ? f : 1000000000);
    const int64_t limit = limit_counts >= 9.2e18 ? INT64_MAX : int64_t(limit_counts);
    const int64_t start = P().contador();
    for (;;) {
        int32_t status = 0;
        W_7240_AD_INT_Status(card, &status, nullptr);
        if (status == 0) break;
        if (P().contador() - start > limit) {
            W_7240_AD_INT_Stop(card, nullptr);
            return ERR_AD_Timeout;
        }
    }
    W_7240_AD_INT_Stop(card, nullptr);
    return ERR_None;
}

// ---------------------------------------------------------------- DMA acquisition

int32_t W_7240_AD_DMA_Start(int32_t card, int32_t autoscan, int32_t channel, int32_t range,
                            int32_t count, uint16_t *buffer, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;
    if (bad_ad_range(range)) return ERR_AD_Range;

    CardRecord &c = card_of(card);
    const uint32_t bytes = uint32_t(count) * 2;
    c.dmaRunning = 1;
    lib.dmaDone = 0;
    c.dmaBytes = bytes;
    c.savedIrq = c.irq;
    unmask_line(c);
    W_7240_AD_Set_Range(card, range);
    W_7240_AD_Set_Autoscan(card, autoscan);
    W_7240_AD_Set_Channel(card, channel);
    ResetBridge(c);

    const uint32_t buf[7] = {0, bytes, c.irq, addr_low(buffer), uint32_t(card), addr_high(buffer), 0};
    uint32_t answer[6] = {};
    request(REQ_DMA_BUFFER, buf, sizeof buf, answer, sizeof answer);
    P().salida32(c.opBase + BRIDGE_WRITE_ADDR, answer[2]);
    P().salida32(c.opBase + BRIDGE_WRITE_COUNT, bytes);

    const uint32_t irq[7] = {c.opBase, c.ioBase, uint32_t(card), c.irq, uint32_t(card), 0, 0};
    uint32_t irq_answer[6] = {};
    request(REQ_DMA_IRQ, irq, sizeof irq, irq_answer, sizeof irq_answer);

    W_7240_AD_Set_Mode(card, 5);
    W_7240_AD_Timer(card, d1, d2);
    if (!bus_master_go(c)) {
        W_7240_AD_DMA_Stop(card, nullptr);
        return ERR_AD_Timeout;
    }
    return ERR_None;
}

int32_t W_7240_AD_DMA_Status(int32_t card, int32_t *status, int32_t *count) {
    if (int32_t r = card_check(card)) return r;
    const CardRecord &c = card_of(card);
    if (!c.dmaRunning) return ERR_DMA_Not_Started;
    uint32_t blk[10] = {0, uint32_t(card)};
    request(REQ_DMA_STATUS, blk, sizeof blk, blk, sizeof blk);
    if (blk[0] == 0) lib.dmaDone = 1;
    const uint32_t left = P().entrada32(c.opBase + BRIDGE_WRITE_COUNT);
    put(status, lib.dmaDone == 1 ? 0 : 1);
    put(count, int32_t(c.dmaBytes - left) / 2);
    return ERR_None;
}

int32_t W_7240_AD_DMA_Stop(int32_t card, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    CardRecord &c = card_of(card);
    if (!c.dmaRunning) return ERR_DMA_Not_Started;
    uint32_t blk[10] = {0, uint32_t(card)};
    request(REQ_DMA_STOP, blk, sizeof blk, blk, sizeof blk);
    W_7240_AD_Set_Mode(card, 0);
    c.dmaRunning = 0;
    W_7240_AD_Timer(card, 0, 0);
    restore_mask(c);
    return ERR_None;
}

// ---------------------------------------------------------------- continuous DMA

int32_t W_7240_ContDmaStart(int32_t card, int32_t autoscan, int32_t channel, int32_t range,
                            int32_t bytes, uint16_t *buffer, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;

    CardRecord &c = card_of(card);
    c.dmaBytes = uint32_t(bytes);
    c.dmaRunning = 1;
    W_7240_AD_Timer(card, 0, 0);
    c.savedIrq = c.irq;
    unmask_line(c);
    W_7240_AD_Set_Range(card, range);
    W_7240_AD_Set_Autoscan(card, autoscan);
    W_7240_AD_Set_Channel(card, channel);
    ResetBridge(c);

    const uint32_t buf[7] = {0, uint32_t(bytes), c.irq, addr_low(buffer), uint32_t(card),
                             addr_high(buffer), 0};
    uint32_t answer[6] = {};
    request(REQ_CONT_BUFFER, buf, sizeof buf, answer, sizeof answer);
    P().salida32(c.opBase + BRIDGE_WRITE_ADDR, answer[2]);
    P().salida32(c.opBase + BRIDGE_WRITE_COUNT, uint32_t(bytes));

    const uint32_t irq[7] = {c.opBase, c.ioBase, uint32_t(card), addr_low(buffer), uint32_t(card),
                             addr_high(buffer), 0};
    uint32_t irq_answer[6] = {};
    request(REQ_CONT_IRQ, irq, sizeof irq, irq_answer, 1);

    W_7240_AD_Set_Mode(card, 5);
    W_7240_AD_Timer(card, d1, d2);
    if (!bus_master_go(c)) {
        W_7240_ContDmaStop(card);
        return ERR_AD_Timeout;
    }
    return ERR_None;
}

int32_t W_7240_CheckHalfReady(int32_t card, int32_t *ready) {
    uint32_t blk[6] = {uint32_t(card), 0};
    request(REQ_CONT_HALF, blk, sizeof blk, blk, sizeof blk);
    if (blk[0] == 0) lib.dmaDone = 1;
    put(ready, blk[2] == 1 ? 1 : 0);
    return ERR_None;
}

int32_t W_7240_DblBufferTransfer(int32_t card, void *destination) {
    uint32_t blk[10] = {uint32_t(card), 0};
    request(REQ_CONT_HALF, blk, sizeof blk, blk, sizeof blk, true);
    const uint64_t source = uint64_t(blk[4]) | (sizeof(void *) > 4 ? uint64_t(blk[5]) << 32 : 0);
    // Nothing is copied from a null address (no driver answer), to a null
    // destination, or for a card number that has no slot (no byte count).
    if (source != 0 && destination && has_slot(card))
        std::memcpy(destination, reinterpret_cast<const void *>(uintptr_t(source)),
                    card_of(card).dmaBytes);
    uint32_t release[10] = {uint32_t(card), 1};
    request(REQ_CONT_HALF, release, sizeof release, release, sizeof release, true);
    return ERR_None;
}

int32_t W_7240_GetOverrunStatus(int32_t card, int32_t *overrun) {
    uint32_t blk[6] = {uint32_t(card), 0};
    request(REQ_CONT_HALF, blk, sizeof blk, blk, sizeof blk);
    put(overrun, blk[1]);
    return ERR_None;
}

int32_t W_7240_ContDmaStop(int32_t card) {
    if (int32_t r = card_check(card)) return r;
    CardRecord &c = card_of(card);
    if (!c.dmaRunning) return ERR_DMA_Not_Started;
    const uint32_t master = P().entrada32(c.opBase + BRIDGE_MASTER_CSR);
    c.dmaRunning = 0;
    const uint32_t blk[6] = {uint32_t(card)};
    request(REQ_CONT_STOP, blk, sizeof blk, nullptr, 0);
    W_7240_AD_Set_Mode(card, 0);
    W_7240_AD_Timer(card, 0, 0);
    P().salida32(c.ioPort + REG_AD_CTRL, 0);
    P().salida32(c.opBase + BRIDGE_MASTER_CSR, master & ~MASTER_WRITE_ON);
    restore_mask(c);
    return ERR_None;
}

// ---------------------------------------------------------------- DMA memory and samples

int32_t W_7240_Alloc_DMA_Mem(int32_t card, uint32_t *address, uint32_t *second) {
    uint32_t blk[12] = {uint32_t(card)};
    // A request the driver did not carry out leaves no memory: it reads as
    // the driver's "none could be had".
    if (!request(REQ_MEM_ALLOC, blk, sizeof blk, blk, sizeof blk, true)) {
        blk[0] = 0xFFFFFFFFu;
        blk[1] = 0;
    }
    put(address, blk[0]);
    put(second, blk[1]);
    return blk[0] == 0xFFFFFFFFu ? ERR_DMA_Alloc : ERR_None;
}

int32_t W_7240_Free_DMA_Mem(int32_t card) {
    uint32_t blk[12] = {uint32_t(card)};
    request(REQ_MEM_FREE, blk, sizeof blk, blk, sizeof blk, true);
    return ERR_None;
}

int32_t W_7240_Get_Sample(const uint16_t *buffer, int32_t index, uint16_t *sample) {
    if (buffer) put(sample, buffer[index]);
    return ERR_None;
}

}  // extern "C"
