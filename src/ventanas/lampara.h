// A circle shape: a circle of diameter min(width, height), centred in the
// widget, outlined with a 1-pixel black pen and filled with the brush colour.
// Any mouse button pressed on it is reported by raton_pulsado.
#pragma once

#include <QWidget>

#include "colores.h"

namespace ventanas {

class Lampara : public QWidget {
  Q_OBJECT
 public:
  explicit Lampara(QWidget* padre = nullptr);

  TColor brocha() const { return brocha_; }
  void poner_brocha(TColor c);

 signals:
  void raton_pulsado(Qt::MouseButton boton);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  TColor brocha_ = clWhite;
};

}  // namespace ventanas
