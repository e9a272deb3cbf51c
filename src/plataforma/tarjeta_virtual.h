/*
 * tarjeta_virtual.h - test support of the virtual 7240 card
 * (libplataforma7240.so; not part of 7240.h).
 *
 * With TARJETA7240=virtual, lib7240.so drives a virtual PCI bus instead of
 * the hardware. The bus holds TARJETA7240_TARJETAS cards (default 1, at most
 * 8), card N being the N-th card W_7240_Initial finds. Each card is a
 * register-level model: a digital output latch and 16 digital inputs, two
 * analog output registers, the AD control word and a converter that, after a
 * software trigger, sets the status ready bit and gives the data word (code in
 * bits 4-15, channel in bits 0-3) of the selected channel for the selected
 * range, saturating at codes 0 and 4095.
 *
 * PCI settings of card N (defaults: command 0x0005, base address register 0
 * 0xD001 + N * 0x100, base address register 2 0xC001 + N * 0x100, interrupt
 * line 10 + N) can be set through TARJETA7240_PCI, entries separated by ';':
 *     TARJETA7240_PCI="0:comando=4;1:irq=255,bar2=0xe001"
 * keys comando, bar0, bar2, irq; or through tarjeta_virtual_fijar_config.
 * TARJETA7240_PCIBIOS=no makes the PCI BIOS driver missing.
 *
 * Every function returns 0, or -1 when the card index or channel is out of
 * range (nothing is changed then).
 */
#ifndef KALOVET_TARJETA_VIRTUAL_H
#define KALOVET_TARJETA_VIRTUAL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TARJETA_VIRTUAL_API __attribute__((visibility("default")))

/* Number of cards on the virtual bus. */
TARJETA_VIRTUAL_API int tarjeta_virtual_cuantas(void);

/* Inputs of the card. */
TARJETA_VIRTUAL_API int tarjeta_virtual_fijar_DI(int tarjeta, uint16_t palabra);
TARJETA_VIRTUAL_API int tarjeta_virtual_fijar_voltios(int tarjeta, int canal, double voltios);
/* Status reads after a software trigger before the ready bit shows
 * (default 0: the first read shows it); TARJETA_VIRTUAL_NUNCA: never. */
#define TARJETA_VIRTUAL_NUNCA 0xFFFFFFFFu
TARJETA_VIRTUAL_API int tarjeta_virtual_fijar_espera(int tarjeta, uint32_t lecturas);

/* Registers the library wrote. */
TARJETA_VIRTUAL_API int tarjeta_virtual_leer_DO(int tarjeta, uint16_t *palabra);
TARJETA_VIRTUAL_API int tarjeta_virtual_leer_DA(int tarjeta, int canal, uint16_t *valor);
TARJETA_VIRTUAL_API int tarjeta_virtual_leer_control_AD(int tarjeta, uint16_t *palabra);
/* Conversions the card has made since it was put on the bus. */
TARJETA_VIRTUAL_API int tarjeta_virtual_conversiones(int tarjeta, uint32_t *cuantas);

/* PCI configuration space of a card: ancho 1, 2 or 4 bytes at offset. */
TARJETA_VIRTUAL_API int tarjeta_virtual_fijar_config(int tarjeta, int offset, int ancho, uint32_t valor);

/* Acquisition side (the virtual card driver). The counter chip counts a
 * 10 MHz timer clock; the PC's 8259 masks start with every line masked. */
TARJETA_VIRTUAL_API int tarjeta_virtual_mascaras_8259(uint8_t *maestro, uint8_t *esclavo);
/* Pacer period in timer-clock ticks (divider 1 x divider 2), 0 when stopped. */
TARJETA_VIRTUAL_API int tarjeta_virtual_periodo_pacer(int tarjeta, uint64_t *ticks);
/* Conversions that nothing took (no acquisition, a masked line, a half not
 * yet released). */
TARJETA_VIRTUAL_API int tarjeta_virtual_perdidas(int tarjeta, uint64_t *cuantas);
/* ocupado nonzero: bit 5 of the bridge's BRIDGE_MASTER_CSR keeps reading 1. */
TARJETA_VIRTUAL_API int tarjeta_virtual_fijar_puente_ocupado(int tarjeta, int ocupado);

/* Puts the bus back as at load: cards, settings and registers. */
TARJETA_VIRTUAL_API void tarjeta_virtual_reiniciar(void);

#ifdef __cplusplus
}
#endif

#endif
