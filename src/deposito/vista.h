// What the plant picture shows for a plant state: the read-out texts, the
// alarm colour, which overlays are visible and the two bars. Pure: the window
// (operador) applies it to its components.
#pragma once

#include <string>

struct EstadoPlanta {
  double temperatura = 0.0;
  double nivel = 0.0;
  int rebose = 0;
  int sobrecal = 0;
  int bomba = 0;
  int calentador = 0;
  int valvula = 0;
};

// A bar standing on a base line: its top and height in the window.
struct Barra {
  int top = 0;
  int altura = 0;
};

struct Vista {
  std::string temperatura;  // "%5.1f"
  std::string nivel;        // "%6.1f"
  std::string rebose, sobrecal, bomba, calentador, valvula;
  bool alarma = false;  // window red
  bool tubos_bomba = false, bomba_visible = false;
  bool tubo_valvula = false, valvula_visible = false;
  bool llamas = false;
  Barra barra_nivel;        // stands on planta.top + 267
  Barra barra_temperatura;  // stands on planta.top + 168
};

// Height in pixels of the level bar: level × 0.02, truncated toward zero.
int altura_nivel(double nivel);
// Height in pixels of the temperature column: temperature × 1.4, truncated.
int altura_temperatura(double temperatura);

Vista calcular_vista(const EstadoPlanta& e, int planta_top);

// The current plant state read through its accessors.
EstadoPlanta estado_actual();
