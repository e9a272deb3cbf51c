// A drawing surface with the Windows canvas rules, over a QImage.
//
// - Lines are drawn with a 1-pixel pen in the pen colour from the current
//   position; the end point is not drawn (trazo.h has the exact pixel rule).
// - rectangulo(l, t, r, b) covers l..r-1 by t..b-1: the outermost ring of
//   pixels in the pen colour, the inside filled with the brush colour.
//   rellenar() fills the same area with the brush colour only.
// - texto(x, y, s) draws s with its top-left corner at (x, y) in the font's
//   colour, on a box of the brush colour as large as the text's measure.
// - Colours are Windows colour values (0x00BBGGRR); fonts have a name, a size
//   in points (at 96 dots per inch) and a colour.
//
// Drawing never goes outside the image; coordinates may lie anywhere in the
// int range. After each drawing operation the canvas tells its listener which
// area changed, so that a window can show it.
#pragma once

#include <functional>
#include <string>

#include <QFont>
#include <QImage>
#include <QRect>

#include "colores.h"
#include "trazo.h"

namespace ventanas {

struct Lapiz {
  TColor color = clBlack;
};

struct Brocha {
  TColor color = clWhite;
};

struct Fuente {
  std::string nombre = "MS Sans Serif";
  int tamano = 8;  // points
  TColor color = clBlack;
};

class Lienzo {
 public:
  explicit Lienzo(int ancho = 0, int alto = 0, TColor fondo = clWhite);

  Lapiz lapiz;
  Brocha brocha;
  Fuente fuente;

  // Changes the size, keeping what overlaps and filling the rest with fondo.
  void redimensionar(int ancho, int alto, TColor fondo);
  void llenar(TColor color);  // the whole image, no notice sent

  void mover_a(int x, int y);
  void linea_a(int x, int y);  // from the current position; it becomes (x, y)
  void linea(int x0, int y0, int x1, int y1);
  void rectangulo(int izquierda, int arriba, int derecha, int abajo);
  void rellenar(int izquierda, int arriba, int derecha, int abajo);
  void texto(int x, int y, const std::string& s);
  int ancho_texto(const std::string& s) const;
  int alto_texto(const std::string& s) const;

  // The pixel's colour value, or -1 outside the image.
  int64_t pixel(int x, int y) const;

  const QImage& imagen() const { return imagen_; }
  int ancho() const { return imagen_.width(); }
  int alto() const { return imagen_.height(); }
  // The font as Qt draws it: family with the platform's sans fallback, pixel
  // size from the point size at 96 dots per inch, no antialiasing.
  QFont qfont() const;

  // Called with the changed area after each drawing operation.
  void al_cambiar(std::function<void(const QRect&)> f) { al_cambiar_ = std::move(f); }

 private:
  void poner(int x, int y, QRgb c);
  void avisar(const QRect& r);

  QImage imagen_;
  int x_ = 0;
  int y_ = 0;
  std::function<void(const QRect&)> al_cambiar_;
};

}  // namespace ventanas
