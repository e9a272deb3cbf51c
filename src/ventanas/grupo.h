// A group box lying on a canvas area (superficie.h) that keeps its picture.
//
// The style draws a group box's frame, title and shading at a cost far above
// that of the few pixels a child lamp or label uncovers when it changes. This
// box draws itself once over a copy of the canvas beneath it and then, on
// every paint, copies the needed part of that picture. The picture is drawn
// again when anything the style draws from changes (size, state, palette,
// font, title, style) or when the canvas beneath a painted part no longer
// matches the copy. The pixels are those the style would draw there.
//
// Anywhere else (another parent, a sibling widget beneath it, a canvas that
// does not cover it, a scaled screen) it paints as a plain group box.
#pragma once

#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QStyleOptionGroupBox>

namespace ventanas {

class Grupo : public QGroupBox {
 public:
  explicit Grupo(const QString& titulo, QWidget* padre = nullptr) : QGroupBox(titulo, padre) {}

  // Whether a picture is kept (it is taken from the event loop after the box
  // was painted in full by the style).
  bool con_retrato() const { return !imagen_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  // What the style's drawing of the box depends on.
  struct Clave {
    QRect rect;
    int estado = 0;
    int direccion = 0;
    qint64 paleta = 0;
    int grupo_color = 0;
    QFont fuente;
    QString texto;
    int alineacion = 0;
    QColor color_texto;
    int rasgos = 0;
    int controles = 0;
    int activos = 0;
    const void* estilo = nullptr;
    bool operator==(const Clave&) const = default;
  };
  Clave clave(const QStyleOptionGroupBox& op) const;
  // The canvas this box lies on directly with nothing between, or null.
  const QImage* lienzo_debajo() const;

  // Whether the picture holds the box as it is now over the canvas as it is
  // now, everywhere in region.
  bool vigente(const QImage& lienzo, const QRegion& region) const;
  // Takes the picture: the box painted by itself over a copy of the canvas.
  void retratar();

  QImage fondo_;   // the canvas beneath, as it was when imagen_ was drawn
  QImage imagen_;  // the box drawn over fondo_
  Clave clave_;
  bool retrato_pedido_ = false;
  bool retratando_ = false;
};

}  // namespace ventanas
