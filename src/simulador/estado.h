// The signal store: the simulated card's one record of every signal.
// Inputs (DI, AD) are set from the panel and read by clients; outputs (DO, DA)
// are written by clients and shown on the panel. Free functions over one
// module-level record; nothing here redraws anything: every caller that changes
// a value calls the panel's matching refresh routine (refresco.h) afterwards.
//
// Channel numbers: 0..15 for DI, DO and AD, 0..1 for DA. Every caller passes a
// constant or a loop counter in range; a channel outside its range is still
// given a defined result: reads return 0 (0.0), writes and toggles do nothing.
// No code here uses Qt.
#pragma once

#include <cstdint>

struct rango_AD {
  double minimo;
  double maximo;
};

struct estado_tarjeta_t {
  int32_t entradas_DI[16];
  int32_t salidas_DO[16];
  double entradas_AD[16];
  rango_AD rangos_AD[16];
  double salidas_DA[2];
};

// Every field to its initial value: all signals 0, every AD range -5.0..+5.0.
// Program start-up runs it first, before any window exists.
void iniciar_estado();
// Digital input: non-zero becomes 0, otherwise 1.
void conmutar_DI(int canal);
int leer_DI(int canal);
int leer_DO(int canal);
void fijar_DO(int canal, int valor);
// Analog input from a scroll-bar position 0..9999, mapped linearly onto the
// channel's range in extended precision (see estado.cpp). The position is used
// as it comes.
void fijar_AD(int canal, int posicion);
double leer_AD(int canal);
// Analog output, stored unchanged (no clamping).
void fijar_DA(int canal, double voltios);
double leer_DA(int canal);
double minimo_AD(int canal);
double maximo_AD(int canal);
