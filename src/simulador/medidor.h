// Tmedidor120: a small analog meter with a 120-degree scale, a blue needle and
// a silver dial, drawn with lines and text onto a canvas it does not own.
// It keeps no picture and never asks to be repainted: it draws when told to.
//
// The dial box runs from (x - radio, y - radio) to (x + radio, y), right and
// bottom edges excluded; the needle goes from (x, y - 2) towards the point at
// radius radio - 19 and the value's angle (geometria.h). The value is not
// clamped: beyond the scale the needle turns further round, below the pivot
// line for values past +-22.5 on a -15..15 scale. A value that is infinite or
// NaN has no angle; its needle is the zero offset, a 2-pixel stub from
// (x, y - 2) down to the pivot line (which is not drawn).
#pragma once

#include <string>

#include "colores.h"
#include "geometria.h"
#include "lienzo.h"

class Tmedidor120 {
 public:
  // Stores the arguments, sets the colours and valor 0.0, and draws at once.
  Tmedidor120(ventanas::Lienzo* canvas, int x, int y, int radio, double minimo, double maximo);

  // Draws the whole gauge, needle included, at the current value.
  void dibujar();
  // Moves the needle: erases the old one in the dial colour, draws the new one.
  void poner_valor(double v);

  double valor_actual() const { return valor; }

 private:
  medidor::Desplazamiento polar(double r, double a) const { return medidor::polar(r, a); }
  void etiqueta(const std::string& texto, int r, double a);
  void aguja(double v, ventanas::TColor color);

  ventanas::Lienzo* canvas;
  int x;
  int y;
  int radio;
  ventanas::TColor color_fondo;
  ventanas::TColor color_aguja;
  ventanas::TColor color_texto;
  ventanas::TColor color_marco;
  ventanas::TColor color_marcas;
  double minimo;
  double maximo;
  double valor;
};
