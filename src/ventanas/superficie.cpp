#include "superficie.h"

#include <QPaintEvent>
#include <QPainter>

namespace ventanas {

Superficie::Superficie(QWidget* padre) : QWidget(padre) {
  lienzo_.redimensionar(width(), height(), color_);
  lienzo_.llenar(color_);
  lienzo_.al_cambiar([this](const QRect& r) {
    if (!pintando_) update(r);
  });
}

void Superficie::poner_color(TColor c) {
  color_ = c;
  invalidar();
}

void Superficie::ajustar_lienzo() { lienzo_.redimensionar(width(), height(), color_); }

void Superficie::invalidar() {
  repintar_todo_ = true;
  update();
}

void Superficie::pintar_pendiente() {
  if (!repintar_todo_) return;
  repintar_todo_ = false;
  pintando_ = true;
  lienzo_.llenar(color_);
  if (al_pintar_) al_pintar_();
  pintando_ = false;
  update();
}

void Superficie::paintEvent(QPaintEvent* e) {
  pintar_pendiente();
  QPainter p(this);
  // Rectangle by rectangle: a straight copy of each, where drawing the
  // bounding box through the region's clip goes span by span.
  for (const QRect& r : e->region()) p.drawImage(r, lienzo_.imagen(), r);
}

void Superficie::resizeEvent(QResizeEvent* e) {
  ajustar_lienzo();
  repintar_todo_ = true;
  QWidget::resizeEvent(e);
}

void Superficie::showEvent(QShowEvent* e) {
  repintar_todo_ = true;
  QWidget::showEvent(e);
}

}  // namespace ventanas
