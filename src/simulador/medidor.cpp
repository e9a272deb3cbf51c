#include "medidor.h"

#include <cstdint>

using ventanas::TColor;

Tmedidor120::Tmedidor120(ventanas::Lienzo* canvas_, int x_, int y_, int radio_, double minimo_, double maximo_)
    : canvas(canvas_),
      x(x_),
      y(y_),
      radio(radio_),
      color_fondo(ventanas::clSilver),
      color_aguja(ventanas::clBlue),
      color_texto(ventanas::clBlack),
      color_marco(ventanas::clBlack),
      color_marcas(ventanas::clBlack),
      minimo(minimo_),
      maximo(maximo_),
      valor(0.0) {
  dibujar();
}

void Tmedidor120::etiqueta(const std::string& texto, int r, double a) {
  const medidor::Desplazamiento p = polar(r, a);
  const int w = canvas->ancho_texto(texto);
  const int h = canvas->alto_texto(texto);
  canvas->texto(x + p.dx - w / 2, y - p.dy - h / 2, texto);
}

void Tmedidor120::dibujar() {
  canvas->brocha.color = color_fondo;
  canvas->lapiz.color = color_marco;
  canvas->rectangulo(x - radio, y - radio, x + radio, y);
  canvas->fuente.tamano = 6;
  canvas->fuente.color = color_texto;
  canvas->fuente.nombre = "MS Sans Serif";
  const int rt = radio - 6;
  etiqueta("0", rt, 90);
  etiqueta("5", rt, 70);
  etiqueta("10", rt, 50);
  etiqueta("15", rt, 30);
  etiqueta("-5", rt, 110);
  etiqueta("-10", rt, 130);
  etiqueta("-15", rt, 150);
  canvas->lapiz.color = color_marcas;
  for (double a = 30.0; a <= 150.0; a += 10.0) {
    const medidor::Desplazamiento fuera = polar(radio - 14, a);
    const medidor::Desplazamiento dentro = polar(radio - 18, a);
    canvas->mover_a(x + fuera.dx, y - fuera.dy);
    canvas->linea_a(x + dentro.dx, y - dentro.dy);
  }
  poner_valor(valor);
}

void Tmedidor120::aguja(double v, TColor color) {
  const medidor::Desplazamiento p = polar(radio - 19, medidor::angulo_aguja(v, minimo, maximo));
  canvas->lapiz.color = color;
  canvas->mover_a(x, y - 2);
  canvas->linea_a(x + p.dx, y - p.dy);
}

void Tmedidor120::poner_valor(double v) {
  aguja(valor, color_fondo);
  valor = v;
  aguja(v, color_aguja);
}
