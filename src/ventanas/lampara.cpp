#include "lampara.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

namespace ventanas {

Lampara::Lampara(QWidget* padre) : QWidget(padre) {}

void Lampara::poner_brocha(TColor c) {
  if (c == brocha_) return;
  brocha_ = c;
  update();
}

void Lampara::paintEvent(QPaintEvent*) {
  const int d = std::min(width(), height());
  if (d <= 0) return;
  const int x = (width() - d) / 2;
  const int y = (height() - d) / 2;
  QPainter p(this);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(a_qcolor(brocha_));
  // The outline covers x..x+d-1, like a Windows ellipse in the box (x, y, x+d, y+d).
  p.drawEllipse(QRect(x, y, d - 1, d - 1));
}

void Lampara::mousePressEvent(QMouseEvent* e) {
  emit raton_pulsado(e->button());
  e->accept();
}

}  // namespace ventanas
