#include "rotulo.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

namespace ventanas {

namespace {

// Whether every pixel is either transparent or opaque.
bool sin_medias_tintas(const QImage& im) {
  for (int y = 0; y < im.height(); ++y) {
    const auto* f = reinterpret_cast<const QRgb*>(im.constScanLine(y));
    for (int x = 0; x < im.width(); ++x) {
      const int a = qAlpha(f[x]);
      if (a != 0 && a != 255) return false;
    }
  }
  return true;
}

}  // namespace

bool Rotulo::sencillo() const {
  return textFormat() == Qt::PlainText && frameShape() == QFrame::NoFrame && margin() == 0 && indent() <= 0 &&
         !wordWrap() && !autoFillBackground() && pixmap().isNull() && devicePixelRatioF() == 1.0;
}

Rotulo::Clave Rotulo::clave() const {
  Clave c;
  c.texto = text();
  c.tamano = size();
  c.fuente = font();
  c.paleta = palette().cacheKey();
  c.activa = isActiveWindow();
  c.habilitada = isEnabled();
  c.alineacion = static_cast<int>(alignment());
  c.papel = foregroundRole();
  c.estilo = style();
  return c;
}

const Rotulo::Retrato* Rotulo::buscar(const Clave& c) const {
  for (int i = 0; i < usados_; ++i)
    if (retratos_[i].clave == c) return &retratos_[i];
  return nullptr;
}

bool Rotulo::desde_retrato() const {
  if (!sencillo()) return false;
  const Retrato* r = buscar(clave());
  return r && !r->imagen.isNull();
}

void Rotulo::retratar() {
  retrato_pedido_ = false;
  if (!sencillo()) return;
  const Clave c = clave();
  auto* r = const_cast<Retrato*>(buscar(c));
  if (!r || !r->imagen.isNull() || r->intentado) return;
  QImage imagen(size(), QImage::Format_ARGB32_Premultiplied);
  imagen.fill(Qt::transparent);
  // The label's own painting, as on the screen, onto the transparent picture.
  retratando_ = true;
  render(&imagen, QPoint(), QRegion(), QWidget::RenderFlags());
  retratando_ = false;
  r->intentado = true;
  if (sin_medias_tintas(imagen)) r->imagen = std::move(imagen);
}

void Rotulo::paintEvent(QPaintEvent* e) {
  if (retratando_ || !sencillo()) {
    QLabel::paintEvent(e);
    return;
  }
  const Clave c = clave();
  const Retrato* r = buscar(c);
  if (r && !r->imagen.isNull()) {
    QPainter p(this);
    for (const QRect& q : e->region() & rect()) p.drawImage(q, r->imagen, q);
    return;
  }
  QLabel::paintEvent(e);
  if (r) {
    // Shown before: worth a picture.
    if (!r->intentado && !retrato_pedido_) {
      retrato_pedido_ = true;
      QTimer::singleShot(0, this, [this] { retratar(); });
    }
    return;
  }
  // First time: remember the text, dropping the oldest.
  usados_ = std::min(usados_ + 1, kRetratos);
  std::move_backward(retratos_, retratos_ + usados_ - 1, retratos_ + usados_);
  retratos_[0] = Retrato{c, QImage()};
}

}  // namespace ventanas
