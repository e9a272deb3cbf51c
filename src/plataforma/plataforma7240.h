/*
 * plataforma7240.h - the card platform beneath lib7240.so.
 *
 * Everything the card library needs from the machine goes through one const
 * table of function pointers, chosen once when the library is loaded:
 *   - the hardware backend (default): port instructions through iopl/ioperm,
 *     the PCI BIOS answered from /sys/bus/pci/devices, the card driver as a
 *     device node reached by ioctl;
 *   - the virtual backend (TARJETA7240=virtual): a virtual PCI bus holding
 *     virtual cards, each a register-level model of the card;
 *   - a recording fake for the library's unit tests.
 * The code above the table never asks which backend it has.
 *
 * This header belongs to libplataforma7240.so. A host program may include it
 * to replace the message hook (by default messages go to standard error).
 */
#ifndef KALOVET_PLATAFORMA7240_H
#define KALOVET_PLATAFORMA7240_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PLATAFORMA7240_API __attribute__((visibility("default")))

/* A driver channel handle; CANAL7240_INVALIDO when an open failed. */
typedef intptr_t canal7240;
#define CANAL7240_INVALIDO ((canal7240)-1)

/* System error codes the library tells apart (Windows numbering, which the
 * library's messages show). */
#define ERROR7240_FUNCION_INVALIDA 1u   /* request not known to the driver */
#define ERROR7240_NO_ENCONTRADO 2u      /* no such device */
#define ERROR7240_ACCESO_DENEGADO 5u
#define ERROR7240_HANDLE_INVALIDO 6u
#define ERROR7240_OCUPADO 32u           /* sharing violation */
#define ERROR7240_NO_SOPORTADO 50u      /* device does not support the request */
#define ERROR7240_PARAMETRO 87u

struct plataforma7240 {
    const char *nombre;

    /* Driver channels. abrir takes the device name as the library knows it
     * ("\\.\W95_7240.VXD", "\\.\pciw95.VXD"); opens for reading and writing,
     * without sharing, an existing device only. peticion sends one device
     * I/O control request; entrada and salida may be the same block; devueltos
     * may be null. It returns nonzero when the driver carried the request out.
     * Failures leave their code for ultimo_error. */
    canal7240 (*abrir)(const char *dispositivo);
    int (*peticion)(canal7240 canal, uint32_t codigo, const void *entrada, uint32_t tam_entrada,
                    void *salida, uint32_t tam_salida, uint32_t *devueltos);
    void (*cerrar)(canal7240 canal);
    uint32_t (*ultimo_error)(void);

    /* Port input and output at the width given. */
    uint8_t (*entrada8)(uint32_t puerto);
    uint16_t (*entrada16)(uint32_t puerto);
    uint32_t (*entrada32)(uint32_t puerto);
    void (*salida8)(uint32_t puerto, uint8_t valor);
    void (*salida16)(uint32_t puerto, uint16_t valor);
    void (*salida32)(uint32_t puerto, uint32_t valor);

    /* Sets the processor's interrupt-enable flag. */
    void (*habilitar_interrupciones)(void);

    /* High-resolution counter: counts, and counts per second. */
    int64_t (*contador)(void);
    int64_t (*frecuencia)(void);

    /* Modal message box with an OK button and no owner. */
    void (*mensaje)(const char *texto, const char *titulo);
};

/* The backend chosen by the environment (TARJETA7240=virtual selects the
 * virtual card, anything else the hardware); decided on the first call. */
PLATAFORMA7240_API const struct plataforma7240 *plataforma7240_elegida(void);
PLATAFORMA7240_API const struct plataforma7240 *plataforma7240_hardware(void);
PLATAFORMA7240_API const struct plataforma7240 *plataforma7240_virtual(void);

/* Message hook of the hardware and virtual backends. By default the text is
 * written to standard error, one line, preceded by the caption and ": " when
 * the caption is not empty. A null hook restores the default. */
typedef void (*mensaje7240)(const char *texto, const char *titulo);
PLATAFORMA7240_API void plataforma7240_fijar_mensaje(mensaje7240 gancho);
PLATAFORMA7240_API void plataforma7240_mensaje_por_defecto(const char *texto, const char *titulo);

#ifdef __cplusplus
}
#endif

#endif
