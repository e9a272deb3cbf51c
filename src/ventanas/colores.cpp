#include "colores.h"

#include <QGuiApplication>
#include <QPalette>
#include <QStringList>

namespace ventanas {

QColor a_qcolor(TColor c) {
  if ((c & 0xFF000000u) == 0xFF000000u) {
    // System colours: the button face comes from the palette; any other index
    // is shown as the window background.
    const QPalette p = QGuiApplication::palette();
    return (c == clBtnFace) ? p.color(QPalette::Button) : p.color(QPalette::Window);
  }
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

TColor de_qcolor(const QColor& c) {
  return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) | (static_cast<TColor>(c.blue()) << 16);
}

QFont fuente_windows(const std::string& nombre, int pixeles) {
  QFont f;
  QStringList familias{QString::fromStdString(nombre)};
  if (nombre == "MS Sans Serif")
    familias << "Nimbus Sans Narrow" << "DejaVu Sans Condensed" << "Liberation Sans Narrow" << "DejaVu Sans";
  f.setFamilies(familias);
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(pixeles > 0 ? pixeles : 1);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

}  // namespace ventanas
