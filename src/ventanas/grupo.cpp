#include "grupo.h"

#include <cstring>

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include "superficie.h"

namespace ventanas {

namespace {

// Whether the RGB32 image a in r holds the same pixels as b in r moved by d
// (both rectangles lie inside their images).
bool iguales(const QImage& a, const QImage& b, const QRect& r, const QPoint& d) {
  const size_t bytes = static_cast<size_t>(r.width()) * sizeof(QRgb);
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto* fa = reinterpret_cast<const QRgb*>(a.constScanLine(y)) + r.x();
    const auto* fb = reinterpret_cast<const QRgb*>(b.constScanLine(y + d.y())) + r.x() + d.x();
    if (std::memcmp(fa, fb, bytes) != 0) return false;
  }
  return true;
}

}  // namespace

Grupo::Clave Grupo::clave(const QStyleOptionGroupBox& op) const {
  Clave c;
  c.rect = op.rect;
  c.estado = static_cast<int>(op.state);
  c.direccion = op.direction;
  c.paleta = op.palette.cacheKey();
  c.grupo_color = op.palette.currentColorGroup();
  c.fuente = font();
  c.texto = op.text;
  c.alineacion = static_cast<int>(op.textAlignment);
  c.color_texto = op.textColor;
  c.rasgos = static_cast<int>(op.features);
  c.controles = static_cast<int>(op.subControls);
  c.activos = static_cast<int>(op.activeSubControls);
  c.estilo = style();
  return c;
}

const QImage* Grupo::lienzo_debajo() const {
  auto* sup = qobject_cast<Superficie*>(parentWidget());
  if (!sup || devicePixelRatioF() != 1.0 || sup->devicePixelRatioF() != 1.0) return nullptr;
  const QImage& lienzo = sup->canvas()->imagen();
  if (lienzo.format() != QImage::Format_RGB32 || !lienzo.rect().contains(geometry())) return nullptr;
  // Siblings lower in the stacking order would be painted between the
  // canvas and this box.
  for (QObject* o : sup->children()) {
    if (o == this) break;
    auto* w = qobject_cast<QWidget*>(o);
    if (w && !w->isWindow() && w->isVisible() && w->geometry().intersects(geometry())) return nullptr;
  }
  return &lienzo;
}

bool Grupo::vigente(const QImage& lienzo, const QRegion& region) const {
  if (imagen_.isNull()) return false;
  QStyleOptionGroupBox op;
  initStyleOption(&op);
  if (!(clave(op) == clave_)) return false;
  for (const QRect& r : region)
    if (!iguales(fondo_, lienzo, r, pos())) return false;
  return true;
}

void Grupo::retratar() {
  retrato_pedido_ = false;
  const QImage* lienzo = lienzo_debajo();
  if (!lienzo) return;
  QStyleOptionGroupBox op;
  initStyleOption(&op);
  clave_ = clave(op);
  fondo_ = lienzo->copy(geometry());
  // The box's own painting, as on the screen, onto the copy of the canvas.
  QImage imagen = fondo_.copy();
  retratando_ = true;
  render(&imagen, QPoint(), QRegion(), QWidget::RenderFlags());
  retratando_ = false;
  imagen_ = std::move(imagen);
}

void Grupo::paintEvent(QPaintEvent* e) {
  if (retratando_) {
    QGroupBox::paintEvent(e);
    return;
  }
  const QImage* lienzo = lienzo_debajo();
  const QRegion region = e->region() & rect();
  if (lienzo && vigente(*lienzo, region)) {
    QPainter p(this);
    for (const QRect& r : region) p.drawImage(r, imagen_, r);
    return;
  }
  QGroupBox::paintEvent(e);
  // The picture is taken once this painting is over, from the event loop.
  if (lienzo && !retrato_pedido_) {
    retrato_pedido_ = true;
    QTimer::singleShot(0, this, [this] { retratar(); });
  }
}

}  // namespace ventanas
