/*
 * continuo.c - a continuous double-buffered acquisition with lib7240.so.
 *
 * Takes analog input 3 at 100,000 samples a second into DMA memory that the
 * card driver fills in two halves, copies each half out as it becomes ready,
 * and prints what every half held. Without the card, run it on the virtual
 * card:
 *
 *     TARJETA7240=virtual ./continuo
 *
 * Exit status 0 when every half was copied and nothing was lost.
 */
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include "7240.h"

#define CARD 0
#define CHANNEL 3
#define RANGE 0          /* -5 V to +5 V */
#define HALF 5000        /* samples in each half: 50 ms at 100,000 a second */
#define HALVES 10
#define DIVIDER1 2       /* 10 MHz / (2 x 50) = 100,000 samples a second */
#define DIVIDER2 50

static void sleep_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

static double now_s(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

int main(void) {
    int32_t io_base = 0, irq = 0;
    int32_t r = W_7240_Initial(CARD, &io_base, &irq);
    if (r != ERR_None) {
        fprintf(stderr, "W_7240_Initial: error %d\n", (int)r);
        return 1;
    }
    printf("card %d: I/O base 0x%X, interrupt line %d\n", CARD, (unsigned)io_base, (int)irq);

    /* DMA memory from the card driver: its address fits 32 bits. */
    uint32_t address = 0, size = 0;
    r = W_7240_Alloc_DMA_Mem(CARD, &address, &size);
    if (r != ERR_None || size < 2 * HALF * sizeof(uint16_t)) {
        fprintf(stderr, "W_7240_Alloc_DMA_Mem: error %d, %u bytes\n", (int)r, (unsigned)size);
        return 1;
    }
    uint16_t *dma = (uint16_t *)(uintptr_t)address;

    r = W_7240_ContDmaStart(CARD, 0, CHANNEL, RANGE, HALF * sizeof(uint16_t), dma, DIVIDER1, DIVIDER2);
    if (r != ERR_None) {
        fprintf(stderr, "W_7240_ContDmaStart: error %d\n", (int)r);
        W_7240_Free_DMA_Mem(CARD);
        return 1;
    }

    static uint16_t half[HALF];
    int copied = 0, wrong_channel = 0;
    const double start = now_s();
    while (copied < HALVES && now_s() - start < 5.0) {
        int32_t ready = 0;
        W_7240_CheckHalfReady(CARD, &ready);
        if (!ready) {
            sleep_ms(2);
            continue;
        }
        W_7240_DblBufferTransfer(CARD, half);
        unsigned lowest = 4095, highest = 0;
        double sum = 0;
        for (int32_t i = 0; i < HALF; ++i) {
            uint16_t word = 0;
            W_7240_Get_Sample(half, i, &word);
            const unsigned code = word >> 4;  /* bits 4-15: code; bits 0-3: channel */
            if ((word & 0x0F) != CHANNEL) ++wrong_channel;
            if (code < lowest) lowest = code;
            if (code > highest) highest = code;
            sum += code;
        }
        const double mean = sum / HALF;
        printf("half %2d at %6.3f s: %d samples of channel %d, codes %u to %u, mean %.1f (%.3f V)\n", copied,
               now_s() - start, HALF, CHANNEL, lowest, highest, mean, mean * 10.0 / 4096.0 - 5.0);
        ++copied;
    }

    int32_t overrun = 0;
    W_7240_GetOverrunStatus(CARD, &overrun);
    W_7240_ContDmaStop(CARD);
    W_7240_Free_DMA_Mem(CARD);
    printf("%d halves, %d samples copied, overrun %d, samples of another channel %d\n", copied, copied * HALF,
           (int)overrun, wrong_channel);
    return copied == HALVES && overrun == 0 && wrong_channel == 0 ? 0 : 1;
}
