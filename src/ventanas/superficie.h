// The client area of a form that draws on its own canvas.
//
// The widget shows its canvas (lienzo.h), an image as large as the widget.
// Drawing on the canvas at any time shows at once, as drawing on a window's
// canvas does. When the whole area has to be painted again (first showing,
// a change of size or of background colour, or invalidar()) the canvas is
// cleared to the background colour and al_pintar runs, which is the form's
// paint handler; between those, what was drawn stays on the canvas.
// Child widgets (labels, scroll bars, lamps) lie over it.
#pragma once

#include <functional>

#include <QWidget>

#include "colores.h"
#include "lienzo.h"

namespace ventanas {

class Superficie : public QWidget {
  Q_OBJECT
 public:
  explicit Superficie(QWidget* padre = nullptr);

  Lienzo* canvas() { return &lienzo_; }
  TColor color() const { return color_; }
  void poner_color(TColor c);
  // Gives the canvas the widget's current size now (a hidden widget gets its
  // resize event only when shown).
  void ajustar_lienzo();
  // Marks the whole area for painting again, with the paint handler.
  void invalidar();
  // Runs a pending complete painting now, without waiting for the window
  // system (used before taking a picture, and by tests).
  void pintar_pendiente();
  void al_pintar(std::function<void()> f) { al_pintar_ = std::move(f); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  Lienzo lienzo_;
  TColor color_ = clBtnFace;
  bool repintar_todo_ = true;
  bool pintando_ = false;
  std::function<void()> al_pintar_;
};

}  // namespace ventanas
