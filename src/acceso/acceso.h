// The card access layer: the card's ten single-shot operations under the
// names IO_7240_<suffix>, with the arguments and results of the card library's
// W_7240_<suffix>. Each IO_7240_Initial asks whether to use the simulator or
// the card. In card mode every operation is the card library's; in simulator
// mode the layer carries it out itself and turns reads and writes into the
// simulator's text messages, sent through the client library libkalovet.so,
// which it loads at run time.
//
// One set of state per process; used from the user-interface thread only.
#pragma once

#include <cstdint>

// 0 = card mode, 1 = simulator mode.
extern int modo_simulador;

int32_t IO_7240_Initial(int32_t card, int32_t* io_base, int32_t* irq);
int32_t IO_7240_DI(int32_t card, int32_t* value);
int32_t IO_7240_DI_Channel(int32_t card, int32_t channel, int32_t* bit);
int32_t IO_7240_DO(int32_t card, int32_t value);
int32_t IO_7240_DA(int32_t card, int32_t channel, int32_t value);
int32_t IO_7240_AD_Set_Channel(int32_t card, int32_t channel);
int32_t IO_7240_AD_Set_Range(int32_t card, int32_t range);
int32_t IO_7240_AD_Set_Mode(int32_t card, int32_t mode);
int32_t IO_7240_AD_Soft_Trig(int32_t card);
int32_t IO_7240_AD_Aquire(int32_t card, int32_t* value);

// The card-or-simulator question; called by IO_7240_Initial. Yes: loads the
// client library and calls kalovet_usar (simulator mode). No: card mode.
// Cancel or a closed box ends the program with status 0. Returns 0.
int elegir_modo();

// Loads the client library, enters simulator mode and calls
// kalovet_conectar(a, b); a negative result ends the program with status 1,
// otherwise it is returned.
int conectar_simulador(int32_t a, int32_t b);

// kalovet_desconectar(); its result. Callers call it only in simulator mode.
int desconectar_simulador();
