// The group box and the label that keep pictures, side by side with a plain
// group box and plain labels: two windows with the same canvas and the same
// children go through the same changes, and after each the window system
// holds the same pixels for both.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include "colores.h"
#include "grupo.h"
#include "lampara.h"
#include "qt_prueba.h"
#include "rotulo.h"
#include "superficie.h"

namespace {

using namespace ventanas;

struct Ventana {
  Superficie* sup = nullptr;
  QGroupBox* caja = nullptr;
  Lampara* lamparas[4] = {};
  QLabel* cifras[4] = {};
  QLabel* valor = nullptr;  // on the canvas itself

  explicit Ventana(bool con_retrato) {
    sup = new Superficie;
    sup->setFont(fuente_windows("MS Sans Serif", 11));  // as the panel: no antialiasing
    sup->resize(300, 120);
    sup->canvas()->brocha.color = clSilver;
    sup->al_pintar([s = sup] {
      // Something of the form's own under the box: a rectangle and a line.
      s->canvas()->lapiz.color = clBlack;
      s->canvas()->rectangulo(100, 10, 160, 60);
      s->canvas()->lapiz.color = clBlue;
      s->canvas()->linea(0, 50, 299, 40);
    });
    caja = con_retrato ? new Grupo("Digital Output", sup) : new QGroupBox("Digital Output", sup);
    caja->setGeometry(12, 20, 269, 49);
    for (int n = 0; n < 4; ++n) {
      lamparas[n] = new Lampara(caja);
      lamparas[n]->setGeometry(248 - 16 * n, 12, 13, 25);
      lamparas[n]->poner_brocha(clRed);
      cifras[n] = con_retrato ? new Rotulo("1", caja) : new QLabel("1", caja);
      cifras[n]->setGeometry(248 - 16 * n, 32, 13, 13);
      cifras[n]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      cifras[n]->setTextFormat(Qt::PlainText);
    }
    valor = con_retrato ? new Rotulo("DA1 = 0,000v", sup) : new QLabel("DA1 = 0,000v", sup);
    valor->setGeometry(150, 75, 89, 13);
    valor->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    valor->setTextFormat(Qt::PlainText);
    sup->show();
  }
  ~Ventana() { delete sup; }

  QImage pantalla() const { return sup->screen()->grabWindow(sup->winId()).toImage().convertToFormat(QImage::Format_RGB32); }
};

// How many pixels differ (images of another size differ everywhere).
long distintos(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return static_cast<long>(a.width()) * a.height() + 1;
  long n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

void asentar() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Digits 0 and 1 and two values in turn, so that every text has been seen
// before and is painted from its picture.
void alternar(Ventana& v, int veces) {
  for (int i = 0; i < veces; ++i) {
    for (QLabel* c : v.cifras) c->setText(i % 2 ? "1" : "0");
    v.valor->setText(i % 2 ? "DA1 = -3,500v" : "DA1 = 12,250v");
    asentar();
  }
}

TEST(Retratos, MismosPixelesQueLosControlesCorrientes) {
  aplicacion_prueba();
  Ventana corriente(false), con_retrato(true);
  asentar();
  ASSERT_FALSE(corriente.pantalla().isNull());
  ASSERT_EQ(distintos(con_retrato.pantalla(), corriente.pantalla()), 0);
  EXPECT_TRUE(static_cast<Grupo*>(con_retrato.caja)->con_retrato());

  struct Paso {
    std::string que;
    std::function<void(Ventana&)> hacer;
  };
  const std::vector<Paso> pasos = {
      {"two lamps and their digits change", [](Ventana& v) {
         for (int n : {0, 2}) {
           v.lamparas[n]->poner_brocha(clLime);
           v.cifras[n]->setText("0");
         }
       }},
      {"they change back", [](Ventana& v) {
         for (int n : {0, 2}) {
           v.lamparas[n]->poner_brocha(clRed);
           v.cifras[n]->setText("1");
         }
       }},
      {"a line drawn on the canvas under the box, then a lamp", [](Ventana& v) {
         v.sup->canvas()->lapiz.color = clRed;
         v.sup->canvas()->linea(20, 45, 270, 45);
         v.lamparas[1]->poner_brocha(clLime);
       }},
      {"a lamp whose whole box the canvas changed under", [](Ventana& v) {
         v.sup->canvas()->brocha.color = clYellow;
         v.sup->canvas()->rellenar(200, 30, 270, 60);
         v.lamparas[1]->update();
       }},
      {"white background, everything painted again", [](Ventana& v) { v.sup->poner_color(clWhite); }},
      {"a lamp on the white background", [](Ventana& v) { v.lamparas[3]->poner_brocha(clLime); }},
      {"new title", [](Ventana& v) { v.caja->setTitle("Salidas"); }},
      {"box disabled", [](Ventana& v) { v.caja->setEnabled(false); }},
      {"box enabled, a lamp", [](Ventana& v) {
         v.caja->setEnabled(true);
         v.lamparas[0]->poner_brocha(clLime);
       }},
      {"box wider", [](Ventana& v) { v.caja->resize(280, 49); }},
      {"digits and value back and forth", [](Ventana& v) { alternar(v, 5); }},
      {"red text", [](Ventana& v) {
         QPalette p = v.valor->palette();
         p.setColor(QPalette::WindowText, Qt::red);
         v.valor->setPalette(p);
         v.cifras[2]->setPalette(p);
       }},
      {"red text back and forth", [](Ventana& v) { alternar(v, 4); }},
      {"an antialiased font on one digit, a larger one on the value", [](Ventana& v) {
         QFont f = v.valor->font();
         f.setPixelSize(13);
         v.valor->setFont(f);
         QFont suave("DejaVu Sans");
         suave.setPixelSize(12);
         suave.setStyleStrategy(QFont::PreferAntialias);
         v.cifras[1]->setFont(suave);
       }},
      {"labels disabled", [](Ventana& v) {
         v.valor->setEnabled(false);
         v.cifras[3]->setEnabled(false);
       }},
      {"disabled back and forth", [](Ventana& v) { alternar(v, 4); }},
      {"a label moved and resized", [](Ventana& v) { v.valor->setGeometry(140, 72, 120, 16); }},
      {"a sibling beneath the box", [](Ventana& v) {
         auto* debajo = new QLabel("debajo", v.sup);
         debajo->setGeometry(14, 30, 60, 20);
         debajo->show();
         debajo->lower();
         v.lamparas[3]->poner_brocha(clRed);
       }},
  };
  for (const auto& p : pasos) {
    p.hacer(corriente);
    p.hacer(con_retrato);
    asentar();
    EXPECT_EQ(distintos(con_retrato.pantalla(), corriente.pantalla()), 0) << p.que;
  }
  // The texts shown again and again are painted from pictures.
  alternar(con_retrato, 4);
  EXPECT_TRUE(static_cast<Rotulo*>(con_retrato.valor)->desde_retrato());
  EXPECT_TRUE(static_cast<Rotulo*>(con_retrato.cifras[0])->desde_retrato());
  EXPECT_TRUE(static_cast<Rotulo*>(con_retrato.cifras[3])->desde_retrato());
  // Antialiased text has partly covered pixels: always drawn by the label.
  EXPECT_FALSE(static_cast<Rotulo*>(con_retrato.cifras[1])->desde_retrato());
}

}  // namespace
