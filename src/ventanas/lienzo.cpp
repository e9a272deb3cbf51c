#include "lienzo.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QPainter>

namespace ventanas {

Lienzo::Lienzo(int ancho, int alto, TColor fondo)
    : imagen_(std::max(ancho, 0), std::max(alto, 0), QImage::Format_RGB32) {
  llenar(fondo);
}

void Lienzo::redimensionar(int ancho, int alto, TColor fondo) {
  ancho = std::max(ancho, 0);
  alto = std::max(alto, 0);
  if (ancho == imagen_.width() && alto == imagen_.height()) return;
  QImage nueva(ancho, alto, QImage::Format_RGB32);
  nueva.fill(a_qcolor(fondo));
  if (!imagen_.isNull() && !nueva.isNull()) {
    QPainter p(&nueva);
    p.drawImage(0, 0, imagen_);
  }
  imagen_ = std::move(nueva);
}

void Lienzo::llenar(TColor color) {
  if (!imagen_.isNull()) imagen_.fill(a_qcolor(color));
}

void Lienzo::poner(int x, int y, QRgb c) {
  reinterpret_cast<QRgb*>(imagen_.scanLine(y))[x] = c;
}

void Lienzo::avisar(const QRect& r) {
  if (al_cambiar_ && r.isValid()) al_cambiar_(r);
}

void Lienzo::mover_a(int x, int y) {
  x_ = x;
  y_ = y;
}

void Lienzo::linea_a(int x, int y) {
  linea(x_, y_, x, y);
  x_ = x;
  y_ = y;
}

void Lienzo::linea(int x0, int y0, int x1, int y1) {
  const QRgb c = a_qcolor(lapiz.color).rgb();
  int xmin = ancho(), ymin = alto(), xmax = -1, ymax = -1;
  trazar_linea(x0, y0, x1, y1, ancho(), alto(), [&](int32_t x, int32_t y) {
    poner(x, y, c);
    xmin = std::min(xmin, x);
    xmax = std::max(xmax, x);
    ymin = std::min(ymin, y);
    ymax = std::max(ymax, y);
  });
  if (xmax >= 0) avisar(QRect(QPoint(xmin, ymin), QPoint(xmax, ymax)));
}

void Lienzo::rectangulo(int izquierda, int arriba, int derecha, int abajo) {
  Rect r{izquierda, arriba, derecha, abajo};
  if (r.derecha < r.izquierda) std::swap(r.derecha, r.izquierda);
  if (r.abajo < r.arriba) std::swap(r.abajo, r.arriba);
  if (r.derecha == r.izquierda || r.abajo == r.arriba) return;
  const QRgb borde = a_qcolor(lapiz.color).rgb();
  const QRgb dentro = a_qcolor(brocha.color).rgb();
  const Rect v = recortar(r, ancho(), alto());
  for (int y = v.arriba; y < v.abajo; ++y) {
    const bool fila_borde = y == r.arriba || int64_t{y} == int64_t{r.abajo} - 1;
    for (int x = v.izquierda; x < v.derecha; ++x) {
      const bool en_borde = fila_borde || x == r.izquierda || int64_t{x} == int64_t{r.derecha} - 1;
      poner(x, y, en_borde ? borde : dentro);
    }
  }
  if (v.derecha > v.izquierda && v.abajo > v.arriba)
    avisar(QRect(v.izquierda, v.arriba, v.derecha - v.izquierda, v.abajo - v.arriba));
}

void Lienzo::rellenar(int izquierda, int arriba, int derecha, int abajo) {
  const Rect v = recortar({izquierda, arriba, derecha, abajo}, ancho(), alto());
  const QRgb c = a_qcolor(brocha.color).rgb();
  for (int y = v.arriba; y < v.abajo; ++y)
    for (int x = v.izquierda; x < v.derecha; ++x) poner(x, y, c);
  if (v.derecha > v.izquierda && v.abajo > v.arriba)
    avisar(QRect(v.izquierda, v.arriba, v.derecha - v.izquierda, v.abajo - v.arriba));
}

QFont Lienzo::qfont() const {
  // Windows font height for a size in points at 96 dots per inch, rounded as
  // MulDiv rounds.
  return fuente_windows(fuente.nombre, static_cast<int>(std::lround(fuente.tamano * 96.0 / 72.0)));
}

int Lienzo::ancho_texto(const std::string& s) const {
  return QFontMetrics(qfont()).horizontalAdvance(QString::fromStdString(s));
}

int Lienzo::alto_texto(const std::string&) const { return QFontMetrics(qfont()).height(); }

void Lienzo::texto(int x, int y, const std::string& s) {
  const QFont f = qfont();
  const QFontMetrics fm(f);
  const QString q = QString::fromStdString(s);
  const int w = fm.horizontalAdvance(q);
  const int h = fm.height();
  // Only a box that meets the image is drawn; far-away coordinates never
  // reach the painter.
  const int64_t x1 = int64_t{x} + w, y1 = int64_t{y} + h;
  if (x1 <= 0 || y1 <= 0 || x >= ancho() || y >= alto() || w <= 0) return;
  QPainter p(&imagen_);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.fillRect(QRect(x, y, w, h), a_qcolor(brocha.color));
  p.setFont(f);
  p.setPen(a_qcolor(fuente.color));
  p.drawText(x, y + fm.ascent(), q);
  p.end();
  avisar(QRect(x, y, w, h).intersected(imagen_.rect()));
}

int64_t Lienzo::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= ancho() || y >= alto()) return -1;
  return de_qcolor(QColor(imagen_.pixel(x, y)));
}

}  // namespace ventanas
