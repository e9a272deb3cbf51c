/*
 * 7240.h - programming interface of the 7240 PCI data-acquisition card
 * (16 analog inputs on one 12-bit converter, 2 analog outputs, 16 digital
 * inputs and outputs, an 8254 counter chip), library lib7240.so.
 *
 * Every function takes the card number first (except W_7240_Get_Sample) and
 * returns a result code (ERR_...). Out-arguments are written only on success.
 * A null out-argument is never written through; the call otherwise behaves
 * as with a valid one.
 *
 * Card numbers: 0 to 3 are the first four cards found on the PCI bus. Any
 * other number has no slot: W_7240_Initial answers ERR_Card_Not_Found for it
 * without touching the bus, and every export that checks the card answers
 * ERR_Card_Not_Initial.
 *
 * Addresses on 64-bit builds: the sample buffers are ordinary pointers, so no
 * address is truncated. W_7240_Alloc_DMA_Mem keeps its 32-bit address
 * out-argument; the memory it hands out lies below 4 GiB, so
 * (void *)(uintptr_t)address reaches it in the caller's process.
 *
 * Loading: the library opens the card's kernel driver when it is loaded. When
 * that fails the message "Unable to open VxD, Error code: %lx" is written to
 * standard error and the process ends with exit status 1 before main runs.
 * The environment variable TARJETA7240=virtual selects a virtual card instead
 * of the hardware (see tarjeta_virtual.h).
 */
#ifndef KALOVET_7240_H
#define KALOVET_7240_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  ifdef W7240_BUILD
#    define W7240_API
#  else
#    define W7240_API __declspec(dllimport)
#  endif
#  define W7240_CALL __stdcall
#else
#  ifdef W7240_BUILD
#    define W7240_API __attribute__((visibility("default")))
#  else
#    define W7240_API
#  endif
#  define W7240_CALL
#endif

/* Result codes. */
enum {
    ERR_None = 0,
    ERR_Card_Not_Initial = 1,
    ERR_AD_Channel = 10,
    ERR_DA_Channel = 11,
    ERR_DI_Channel = 12,
    ERR_Timer_Divider = 18,
    ERR_Timer_Mode = 19,
    ERR_AD_Mode = 23,
    ERR_DMA_Not_Started = 26,
    ERR_INT_Not_Started = 27,
    ERR_AD_Timeout = 28,
    ERR_AD_Range = 29,
    ERR_PCI_Unavailable = 32,
    ERR_Card_Not_Found = 34,
    ERR_DMA_Alloc = 36
};

#define MAX_CARDS 4

/* Device access and initialisation. */
W7240_API int32_t W7240_CALL W_7240_Initial(int32_t card, int32_t *io_base, int32_t *irq);

/* Single-shot digital and analog I/O. */
W7240_API int32_t W7240_CALL W_7240_DI(int32_t card, int32_t *value);
W7240_API int32_t W7240_CALL W_7240_DI_Channel(int32_t card, int32_t channel, int32_t *bit);
W7240_API int32_t W7240_CALL W_7240_DO(int32_t card, int32_t value);
W7240_API int32_t W7240_CALL W_7240_DA(int32_t card, int32_t channel, int32_t value);
W7240_API int32_t W7240_CALL W_7240_AD_Set_Channel(int32_t card, int32_t channel);
W7240_API int32_t W7240_CALL W_7240_AD_Set_Range(int32_t card, int32_t range);
W7240_API int32_t W7240_CALL W_7240_AD_Set_Mode(int32_t card, int32_t mode);
W7240_API int32_t W7240_CALL W_7240_AD_Set_Autoscan(int32_t card, int32_t on);
W7240_API int32_t W7240_CALL W_7240_AD_Soft_Trig(int32_t card);
W7240_API int32_t W7240_CALL W_7240_AD_Aquire(int32_t card, int32_t *value);

/*
 * Acquisition: the pacer, counter 0, interrupt and DMA acquisition.
 *
 * Timer clock. The card's counter chip counts a 10 MHz clock: the pacer
 * converts at 10,000,000 / (divider1 x divider2) samples a second (a divider
 * of 0 counts as 65536), from 500,000 a second (dividers whose product is 20)
 * down to one every 429.5 s (both 0). Counter 0 counts the same clock.
 *
 * Addresses on 64-bit builds. The card driver's requests carry addresses in
 * 32-bit words. On 64-bit builds the library puts the high 32 bits of a
 * buffer address in the request word at offset 0x14 (a word the 32-bit layout
 * leaves unset), and the driver answers the ready half of a continuous
 * acquisition the same way (low word at 0x10, high word at 0x14), so buffers
 * anywhere in the address space work. W_7240_Alloc_DMA_Mem hands out memory
 * below 4 GiB instead, because its address out-argument is 32 bits wide.
 *
 * Bounded waits. The bus-master go step of W_7240_AD_DMA_Start and
 * W_7240_ContDmaStart reads BRIDGE_MASTER_CSR at most 100,000 times waiting
 * for bit 5 to clear; when it never clears, the start stops what it set up
 * (as W_7240_AD_DMA_Stop or W_7240_ContDmaStop would: driver stop request,
 * AD mode 0, pacer parked, interrupt mask restored, DMA flag cleared) and
 * returns ERR_AD_Timeout. V_7240_AD_INT_Start waits for the finished status
 * at most the acquisition's own duration at the 10 MHz clock (count x
 * divider1 x divider2 / 10 MHz) plus 1 s, measured on the high-resolution
 * counter; when that passes it stops the acquisition (W_7240_AD_INT_Stop)
 * and returns ERR_AD_Timeout.
 *
 * Interrupt lines. A card whose interrupt line is above 15 (255: none) has no
 * 8259 mask bit: the starts neither read nor write a mask for it, and the
 * stops write none back.
 *
 * The card driver (the virtual card's, TARJETA7240=virtual):
 *   - a sample count of 0 or below runs nothing: the interrupt status reports
 *     finished with count 0;
 *   - W_7240_AD_INT_Status reports the samples stored so far, and status 1
 *     while the acquisition runs;
 *   - the buffer of W_7240_ContDmaStart holds both halves, 2 x bytes, one
 *     after the other; the driver fills them in turn and never writes a half
 *     again before W_7240_DblBufferTransfer has released it. A half that is
 *     still held when the driver needs it is an overrun: W_7240_GetOverrunStatus
 *     then reports 1 until the next W_7240_ContDmaStart, and conversions
 *     are lost until the half is released;
 *   - W_7240_Alloc_DMA_Mem gives one block of 1 MiB per card (the second
 *     out-argument is its size in bytes); asking again before
 *     W_7240_Free_DMA_Mem gives the same block. Freeing it stops any
 *     acquisition that writes into it.
 * When the driver does not carry out W_7240_Alloc_DMA_Mem's request the
 * result is ERR_DMA_Alloc with 0xFFFFFFFF and 0 in the out-arguments, which
 * are written whatever the result. W_7240_DblBufferTransfer copies nothing
 * when the driver gives no address, the destination is null or the card
 * number has no slot; W_7240_Get_Sample reads nothing from a null buffer.
 * W_7240_AD_DMA_Stop does not write its pointer argument.
 */

/* Pacer timer, counter 0 and interrupt-driven acquisition. The buffer holds
 * count 16-bit samples and must stay alive until the status reports 0. */
W7240_API int32_t W7240_CALL W_7240_AD_Timer(int32_t card, int32_t divider1, int32_t divider2);
W7240_API int32_t W7240_CALL W_7240_TIMER_Start(int32_t card, int32_t mode, int32_t divisor);
W7240_API int32_t W7240_CALL W_7240_TIMER_Read(int32_t card, int32_t *count);
W7240_API int32_t W7240_CALL W_7240_TIMER_Stop(int32_t card, int32_t *count);
W7240_API int32_t W7240_CALL W_7240_AD_INT_Start(int32_t card, int32_t autoscan, int32_t channel,
                                                 int32_t range, int32_t count, uint16_t *buffer,
                                                 int32_t divider1, int32_t divider2);
W7240_API int32_t W7240_CALL W_7240_AD_INT_Status(int32_t card, int32_t *status, int32_t *count);
W7240_API int32_t W7240_CALL W_7240_AD_INT_Stop(int32_t card, int32_t *count);
W7240_API int32_t W7240_CALL V_7240_AD_INT_Start(int32_t card, int32_t autoscan, int32_t channel,
                                                 int32_t range, int32_t count, uint16_t *buffer,
                                                 int32_t divider1, int32_t divider2);

/* DMA acquisition. */
W7240_API int32_t W7240_CALL W_7240_AD_DMA_Start(int32_t card, int32_t autoscan, int32_t channel,
                                                 int32_t range, int32_t count, uint16_t *buffer,
                                                 int32_t divider1, int32_t divider2);
W7240_API int32_t W7240_CALL W_7240_AD_DMA_Status(int32_t card, int32_t *status, int32_t *count);
W7240_API int32_t W7240_CALL W_7240_AD_DMA_Stop(int32_t card, int32_t *count);
W7240_API int32_t W7240_CALL W_7240_ContDmaStart(int32_t card, int32_t autoscan, int32_t channel,
                                                 int32_t range, int32_t bytes, uint16_t *buffer,
                                                 int32_t divider1, int32_t divider2);
W7240_API int32_t W7240_CALL W_7240_CheckHalfReady(int32_t card, int32_t *ready);
W7240_API int32_t W7240_CALL W_7240_DblBufferTransfer(int32_t card, void *destination);
W7240_API int32_t W7240_CALL W_7240_GetOverrunStatus(int32_t card, int32_t *overrun);
W7240_API int32_t W7240_CALL W_7240_ContDmaStop(int32_t card);
W7240_API int32_t W7240_CALL W_7240_Alloc_DMA_Mem(int32_t card, uint32_t *address, uint32_t *second);
W7240_API int32_t W7240_CALL W_7240_Free_DMA_Mem(int32_t card);
W7240_API int32_t W7240_CALL W_7240_Get_Sample(const uint16_t *buffer, int32_t index, uint16_t *sample);

#ifdef __cplusplus
}
#endif

#endif
