// The signal store: the simulated card's one record of every signal.
// Inputs (DI, AD) are set from the panel and read by clients; outputs (DO, DA)
// are written by clients and shown on the panel. Free functions over one
// module-level record; nothing here redraws anything.
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

void iniciar_estado();
void conmutar_DI(int canal);
int leer_DI(int canal);
int leer_DO(int canal);
void fijar_DO(int canal, int valor);
void fijar_AD(int canal, int posicion);
double leer_AD(int canal);
void fijar_DA(int canal, double voltios);
double leer_DA(int canal);
double minimo_AD(int canal);
double maximo_AD(int canal);
