// A text label that keeps pictures of the texts it shows again and again.
//
// Laying out and drawing a text costs far more than copying its pixels. When
// a label shows a text it has shown before (a digit going from 0 to 1 and
// back, a value that returns), this one takes a picture of the text as the
// label paints it, on a transparent background, and later lays it over what
// lies beneath. The picture is kept only when every pixel of it is either
// untouched or fully painted (text drawn without antialiasing), so laying it
// over anything gives exactly the pixels the label would draw there; a text
// with partly covered pixels is always drawn by the label itself.
//
// Only plain-text labels without frame, margin, indent, wrapping, background
// or picture use this; the others paint as any label.
#pragma once

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QString>

namespace ventanas {

class Rotulo : public QLabel {
 public:
  explicit Rotulo(const QString& texto, QWidget* padre = nullptr) : QLabel(texto, padre) {}

  // Whether the current text is painted from a kept picture.
  bool desde_retrato() const;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  // What the label's drawing of a text depends on, besides the text.
  struct Clave {
    QString texto;
    QSize tamano;
    QFont fuente;
    qint64 paleta = 0;
    bool activa = false;
    bool habilitada = true;
    int alineacion = 0;
    int papel = 0;
    const void* estilo = nullptr;
    bool operator==(const Clave&) const = default;
  };
  struct Retrato {
    Clave clave;
    QImage imagen;          // null: no picture (yet)
    bool intentado = false;  // a picture was taken and could not be kept
  };
  static constexpr int kRetratos = 4;

  bool sencillo() const;
  Clave clave() const;
  const Retrato* buscar(const Clave& c) const;
  // Takes the picture of the current text, from the event loop.
  void retratar();

  Retrato retratos_[kRetratos];  // the most recent first
  int usados_ = 0;
  bool retrato_pedido_ = false;
  bool retratando_ = false;
};

}  // namespace ventanas
