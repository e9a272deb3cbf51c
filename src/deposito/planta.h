// The tank plant: its state, read and written only through its accessors, and
// the control cycle that every tick reads the four sensors through the card
// access layer, decides pump, heater and valve by fixed rules and writes them
// as digital outputs. No Qt: the picture is refreshed through a hook.
//
// Card 0. Temperature: AD channel 0; level: AD channel 1 (range code 0, −5 V to
// +5 V). Overheat switch: DI 0; overflow switch: DI 1. Valve: DO bit 0; pump:
// DO bit 1; heater: DO bit 2.
#pragma once

#include <cstdint>

// Plant state, all 0 at start.
int get_rebose();
void set_rebose(int v);
int get_sobrecal();
void set_sobrecal(int v);
int get_bomba();
void set_bomba(int v);
int get_calentador();
void set_calentador(int v);
int get_valvula();
void set_valvula(int v);
double get_nivel();
void set_nivel(double v);
double get_temperatura();
void set_temperatura(double v);

// The digital output word, kept between ticks: bit 0 valve, bit 1 pump,
// bit 2 heater.
extern int palabra_DO;

// IO_7240_Initial (the card-or-simulator question), AD mode 0, all outputs off.
void iniciar_planta();
// All outputs off; in simulator mode, desconectar_simulador.
void parar_planta();
// One tick: leer_sensores, aplicar_control, escribir_actuadores, then the
// picture's refresh.
void ciclo_control();
void leer_sensores();
void aplicar_control();
void escribir_actuadores();

// The refresh that ciclo_control calls last (the window's refrescar_visual).
void fijar_refresco(void (*refresco)());

// Sensor conversions of an AD data word (code in bits 4 and up): volts
// (code − 2048) / 4096 × 10, then degrees (V + 5) × 10 and level (V + 5) × 800.
double voltios_de_palabra(int32_t palabra);
double temperatura_de_palabra(int32_t palabra);
double nivel_de_palabra(int32_t palabra);

// Puts the plant state and palabra_DO back to 0 (tests).
void reiniciar_planta_para_pruebas();
