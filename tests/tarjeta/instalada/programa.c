/* A C program built against the installed 7240.h and lib7240.so: it sets the
 * virtual card's inputs through the test support, reads them back through the
 * exports, writes outputs and reads the card's registers, and takes
 * conversions on several channels and ranges. Prints "ok" and ends with 0, or
 * names the first check that failed and ends with 1. */
#include <stdio.h>
#include <stdlib.h>

#include <7240.h>
#include <tarjeta_virtual.h>

static int fallos = 0;

static void comprobar(int cierto, const char *que, long obtenido) {
    if (!cierto) {
        fprintf(stderr, "failed: %s (got %ld)\n", que, obtenido);
        ++fallos;
    }
}

/* Every one of the 30 exports is there to be linked. */
typedef void (*funcion)(void);
static const funcion exportaciones[30] = {
    (funcion)W_7240_Initial,        (funcion)W_7240_Alloc_DMA_Mem,   (funcion)W_7240_DI,
    (funcion)W_7240_DI_Channel,     (funcion)W_7240_DO,              (funcion)W_7240_DA,
    (funcion)W_7240_AD_Set_Channel, (funcion)W_7240_AD_Set_Range,    (funcion)W_7240_AD_Set_Mode,
    (funcion)W_7240_AD_Soft_Trig,   (funcion)W_7240_Free_DMA_Mem,    (funcion)W_7240_AD_Aquire,
    (funcion)W_7240_AD_DMA_Start,   (funcion)W_7240_AD_DMA_Status,   (funcion)W_7240_AD_DMA_Stop,
    (funcion)W_7240_AD_INT_Start,   (funcion)W_7240_AD_INT_Status,   (funcion)W_7240_AD_INT_Stop,
    (funcion)W_7240_ContDmaStart,   (funcion)W_7240_CheckHalfReady,  (funcion)W_7240_DblBufferTransfer,
    (funcion)W_7240_GetOverrunStatus, (funcion)W_7240_ContDmaStop,   (funcion)W_7240_AD_Timer,
    (funcion)W_7240_TIMER_Start,    (funcion)W_7240_TIMER_Read,      (funcion)W_7240_TIMER_Stop,
    (funcion)W_7240_AD_Set_Autoscan, (funcion)V_7240_AD_INT_Start,   (funcion)W_7240_Get_Sample,
};

struct conversion {
    int32_t canal, rango;
    double voltios;
    int32_t codigo;
};

static const struct conversion conversiones[] = {
    {0, 0, 0.0, 2048},   {0, 0, 1.25, 2560},  {3, 0, -5.0, 0},     {15, 0, 4.99, 4091},
    {3, 4, 5.0, 2048},   {7, 4, 9.9, 4055},   {15, 8, -10.0, 0},   {15, 8, 5.0, 3072},
    {9, 1, -1.25, 1024}, {12, 7, 0.3125, 1024}, {1, 5, 7.0, 4095},
};

int main(void) {
    int32_t base = -1, linea = -1, v = -1;
    uint16_t registro = 0;
    size_t i;

    for (i = 0; i < 30; ++i) comprobar(exportaciones[i] != NULL, "export present", (long)i);

    comprobar(W_7240_DI(0, &v) == ERR_Card_Not_Initial, "DI before W_7240_Initial", v);
    comprobar(W_7240_Initial(0, &base, &linea) == ERR_None, "W_7240_Initial(0)", 0);
    comprobar(base == 0xC000, "I/O base", base);
    comprobar(linea == 10, "interrupt line", linea);
    comprobar(W_7240_Initial(1, &base, &linea) == ERR_Card_Not_Found, "second card not found", 0);
    comprobar(W_7240_Initial(4, &base, &linea) == ERR_Card_Not_Found, "card 4 has no slot", 0);
    comprobar(W_7240_DO(5, 1) == ERR_Card_Not_Initial, "card 5 fails the card check", 0);

    /* Digital inputs. */
    tarjeta_virtual_fijar_DI(0, 0x1234);
    comprobar(W_7240_DI(0, &v) == ERR_None && v == 0x1234, "DI", v);
    for (i = 0; i < 16; ++i) {
        comprobar(W_7240_DI_Channel(0, (int32_t)i, &v) == ERR_None && v == ((0x1234 >> i) & 1),
                  "DI_Channel", (long)i);
    }
    comprobar(W_7240_DI_Channel(0, 16, &v) == ERR_DI_Channel, "DI_Channel 16", 0);

    /* Digital and analog outputs. */
    comprobar(W_7240_DO(0, 0x1A55A) == ERR_None, "DO", 0);
    tarjeta_virtual_leer_DO(0, &registro);
    comprobar(registro == 0xA55A, "DO latch", registro);
    comprobar(W_7240_DA(0, 0, 2048) == ERR_None, "DA 0", 0);
    tarjeta_virtual_leer_DA(0, 0, &registro);
    comprobar(registro == 2048, "DA 0 register", registro);
    comprobar(W_7240_DA(0, 1, 0x12345) == ERR_None, "DA 1", 0);
    tarjeta_virtual_leer_DA(0, 1, &registro);
    comprobar(registro == 0x2345, "DA 1 register", registro);
    comprobar(W_7240_DA(0, 2, 1) == ERR_DA_Channel, "DA 2", 0);

    /* Conversions. */
    comprobar(W_7240_AD_Set_Mode(0, 0) == ERR_None, "mode 0", 0);
    comprobar(W_7240_AD_Set_Mode(0, 16) == ERR_AD_Mode, "mode 16", 0);
    for (i = 0; i < sizeof conversiones / sizeof conversiones[0]; ++i) {
        const struct conversion *c = &conversiones[i];
        tarjeta_virtual_fijar_voltios(0, c->canal, c->voltios);
        comprobar(W_7240_AD_Set_Range(0, c->rango) == ERR_None, "AD_Set_Range", c->rango);
        comprobar(W_7240_AD_Set_Channel(0, c->canal) == ERR_None, "AD_Set_Channel", c->canal);
        tarjeta_virtual_leer_control_AD(0, &registro);
        comprobar(registro == (c->rango << 9 | c->canal << 5), "AD control word", registro);
        v = -1;
        comprobar(W_7240_AD_Aquire(0, &v) == ERR_None, "AD_Aquire", (long)i);
        comprobar(v == (c->codigo << 4 | c->canal), "AD data word", v);
    }
    tarjeta_virtual_fijar_espera(0, TARJETA_VIRTUAL_NUNCA);
    v = -1;
    comprobar(W_7240_AD_Aquire(0, &v) == ERR_AD_Timeout && v == -1, "AD_Aquire time-out", v);

    if (fallos) return 1;
    puts("ok");
    return 0;
}
