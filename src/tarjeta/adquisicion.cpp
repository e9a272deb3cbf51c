// Pacer, counter 0, interrupt and DMA acquisition. For now each export makes
// its card check and argument checks; what follows them is built with the
// counter model and the card driver's requests, and until then the export
// answers NOT_BUILT rather than pretend it worked.
#include "tarjeta.h"

namespace w7240 {
namespace {

constexpr int32_t NOT_BUILT = -1;

// Pacer dividers the chip cannot run: a divider of 1, or a rate above the
// converter's (product below 20, as a 32-bit unsigned number).
bool dividers_refused(int32_t d1, int32_t d2) {
    return d1 == 1 || d2 == 1 || uint32_t(d1) * uint32_t(d2) < 20;
}

bool bad_ad_channel(int32_t channel) { return channel < 0 || channel > 15; }
bool bad_ad_range(int32_t range) { return range < 0 || range > 15; }

}  // namespace
}  // namespace w7240

using namespace w7240;

extern "C" {

int32_t W_7240_AD_Timer(int32_t card, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (d1 != 0 && d2 != 0 && dividers_refused(d1, d2)) return ERR_Timer_Divider;
    return NOT_BUILT;
}

int32_t W_7240_TIMER_Start(int32_t card, int32_t mode, int32_t) {
    if (int32_t r = card_check(card)) return r;
    if (mode < 0 || mode > 5) return ERR_Timer_Mode;
    return NOT_BUILT;
}

int32_t W_7240_TIMER_Read(int32_t card, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    return NOT_BUILT;
}

int32_t W_7240_TIMER_Stop(int32_t card, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    return NOT_BUILT;
}

int32_t W_7240_AD_INT_Start(int32_t card, int32_t, int32_t channel, int32_t range, int32_t,
                            uint16_t *, int32_t d1, int32_t d2) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;
    if (bad_ad_range(range)) return ERR_AD_Range;
    if (dividers_refused(d1, d2)) return ERR_Timer_Divider;
    return NOT_BUILT;
}

int32_t W_7240_AD_INT_Status(int32_t card, int32_t *, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    return NOT_BUILT;
}

int32_t W_7240_AD_INT_Stop(int32_t card, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    if (!card_of(card).intStarted) return ERR_INT_Not_Started;
    return NOT_BUILT;
}

int32_t V_7240_AD_INT_Start(int32_t card, int32_t autoscan, int32_t channel, int32_t range,
                            int32_t count, uint16_t *buffer, int32_t d1, int32_t d2) {
    return W_7240_AD_INT_Start(card, autoscan, channel, range, count, buffer, d1, d2);
}

int32_t W_7240_AD_DMA_Start(int32_t card, int32_t, int32_t channel, int32_t range, int32_t,
                            uint16_t *, int32_t, int32_t) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;
    if (bad_ad_range(range)) return ERR_AD_Range;
    return NOT_BUILT;
}

int32_t W_7240_AD_DMA_Status(int32_t card, int32_t *, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    if (!card_of(card).dmaRunning) return ERR_DMA_Not_Started;
    return NOT_BUILT;
}

int32_t W_7240_AD_DMA_Stop(int32_t card, int32_t *) {
    if (int32_t r = card_check(card)) return r;
    if (!card_of(card).dmaRunning) return ERR_DMA_Not_Started;
    return NOT_BUILT;
}

int32_t W_7240_ContDmaStart(int32_t card, int32_t, int32_t channel, int32_t, int32_t, uint16_t *,
                            int32_t, int32_t) {
    if (int32_t r = card_check(card)) return r;
    if (bad_ad_channel(channel)) return ERR_AD_Channel;
    return NOT_BUILT;
}

int32_t W_7240_CheckHalfReady(int32_t, int32_t *) { return NOT_BUILT; }
int32_t W_7240_DblBufferTransfer(int32_t, void *) { return NOT_BUILT; }
int32_t W_7240_GetOverrunStatus(int32_t, int32_t *) { return NOT_BUILT; }

int32_t W_7240_ContDmaStop(int32_t card) {
    if (int32_t r = card_check(card)) return r;
    if (!card_of(card).dmaRunning) return ERR_DMA_Not_Started;
    return NOT_BUILT;
}

int32_t W_7240_Alloc_DMA_Mem(int32_t, uint32_t *, uint32_t *) { return NOT_BUILT; }
int32_t W_7240_Free_DMA_Mem(int32_t) { return NOT_BUILT; }
int32_t W_7240_Get_Sample(const uint16_t *, int32_t, uint16_t *) { return NOT_BUILT; }

}  // extern "C"
