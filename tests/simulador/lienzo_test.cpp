// The windows layer: canvas rules on real pixels, the circle lamp, the
// shutdown checks and the exception box.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include <QSignalSpy>
#include <QTest>

#include "aplicacion.h"
#include "colores.h"
#include "lampara.h"
#include "lienzo.h"
#include "cajas.h"
#include "qt_prueba.h"

namespace {

using namespace ventanas;

class LienzoPrueba : public ::testing::Test {
 protected:
  void SetUp() override { aplicacion_prueba(); }
  Lienzo c{40, 30, clWhite};
};

TEST_F(LienzoPrueba, ColoresWindowsBGR) {
  EXPECT_EQ(a_qcolor(0x123456), QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(a_qcolor(clBlue), QColor(0, 0, 255));
  EXPECT_EQ(a_qcolor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(de_qcolor(QColor(0, 255, 0)), clLime);
  c.lapiz.color = clBlue;
  c.linea(0, 0, 3, 0);
  EXPECT_EQ(c.imagen().pixelColor(0, 0), QColor(0, 0, 255));
  EXPECT_EQ(c.pixel(0, 0), static_cast<int64_t>(clBlue));
  EXPECT_EQ(c.pixel(40, 0), -1);
}

TEST_F(LienzoPrueba, RectanguloBordeDeLapizRellenoDeBrochaSinBordeDerechoNiInferior) {
  c.lapiz.color = clBlack;
  c.brocha.color = clSilver;
  for (const auto& r : std::vector<std::vector<int>>{{2, 3, 8, 7}, {8, 7, 2, 3}}) {
    c.llenar(clWhite);
    c.rectangulo(r[0], r[1], r[2], r[3]);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        int64_t esperado = clWhite;
        if (x >= 2 && x <= 7 && y >= 3 && y <= 6)
          esperado = (x == 2 || x == 7 || y == 3 || y == 6) ? clBlack : clSilver;
        ASSERT_EQ(c.pixel(x, y), esperado) << x << "," << y;
      }
  }
}

TEST_F(LienzoPrueba, RellenarSoloBrochaYCoordenadasLejanas) {
  c.brocha.color = clRed;
  c.rellenar(1, 1, 3, 2);
  EXPECT_EQ(c.pixel(1, 1), clRed);
  EXPECT_EQ(c.pixel(2, 1), clRed);
  EXPECT_EQ(c.pixel(3, 1), clWhite);
  EXPECT_EQ(c.pixel(1, 2), clWhite);
  // A rectangle far larger than the canvas: its outline lies outside, so every
  // pixel gets the brush.
  c.brocha.color = clLime;
  c.rectangulo(-1000000000, -1000000000, 1000000000, 1000000000);
  EXPECT_EQ(c.pixel(0, 0), clLime);
  EXPECT_EQ(c.pixel(39, 29), clLime);
  // Its right edge inside the canvas: the column before it is the outline.
  c.rectangulo(-1000000000, -1000000000, 20, 1000000000);
  EXPECT_EQ(c.pixel(19, 5), clBlack);
  EXPECT_EQ(c.pixel(18, 5), clLime);
  EXPECT_EQ(c.pixel(20, 5), clLime);
}

TEST_F(LienzoPrueba, LineaSinPuntoFinalYAvisoDelArea) {
  std::vector<QRect> avisos;
  c.al_cambiar([&](const QRect& r) { avisos.push_back(r); });
  c.lapiz.color = clBlue;
  c.mover_a(5, 5);
  c.linea_a(5, 10);
  c.linea_a(9, 10);
  for (int y = 5; y < 10; ++y) EXPECT_EQ(c.pixel(5, y), clBlue) << y;
  for (int x = 5; x < 9; ++x) EXPECT_EQ(c.pixel(x, 10), clBlue) << x;
  EXPECT_EQ(c.pixel(9, 10), clWhite);
  ASSERT_EQ(avisos.size(), 2u);
  EXPECT_EQ(avisos[0], QRect(5, 5, 1, 5));
  EXPECT_EQ(avisos[1], QRect(5, 10, 4, 1));
  // Lines a billion pixels long, in and out of the canvas.
  c.linea(-1000000000, 20, 1000000000, 20);
  EXPECT_EQ(c.pixel(0, 20), clBlue);
  EXPECT_EQ(c.pixel(39, 20), clBlue);
  c.linea(-1000000000, -1000000000, -999999990, 1000000000);
  EXPECT_EQ(avisos.size(), 3u);
}

TEST_F(LienzoPrueba, TextoSobreLaBrochaConLaFuenteActual) {
  c.brocha.color = clSilver;
  c.fuente.tamano = 6;
  c.fuente.color = clBlack;
  const int w = c.ancho_texto("-15");
  const int h = c.alto_texto("-15");
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  c.fuente.tamano = 12;
  EXPECT_GT(c.alto_texto("-15"), h);
  EXPECT_GT(c.ancho_texto("-15"), w);
  c.fuente.tamano = 6;
  c.texto(4, 6, "-15");
  int negros = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool dentro = x >= 4 && x < 4 + w && y >= 6 && y < 6 + h;
      const int64_t p = c.pixel(x, y);
      if (!dentro) {
        ASSERT_EQ(p, clWhite) << x << "," << y;
      } else {
        ASSERT_TRUE(p == clSilver || p == clBlack) << x << "," << y << " " << std::hex << p;
        negros += p == clBlack;
      }
    }
  EXPECT_GT(negros, 3);
  // Text far outside draws nothing and does not fail.
  c.texto(-2000000000, 2000000000, "x");
}

TEST_F(LienzoPrueba, RedimensionarConservaLoComun) {
  c.brocha.color = clRed;
  c.rellenar(0, 0, 5, 5);
  c.redimensionar(60, 10, clSilver);
  EXPECT_EQ(c.ancho(), 60);
  EXPECT_EQ(c.pixel(4, 4), clRed);
  EXPECT_EQ(c.pixel(50, 5), clSilver);
  EXPECT_EQ(c.pixel(4, 20), -1);
}

TEST(Lampara, CirculoCentradoConLaBrochaYCualquierBoton) {
  aplicacion_prueba();
  Lampara l;
  l.resize(13, 25);
  l.poner_brocha(clLime);
  const QImage img = l.grab().toImage();
  EXPECT_EQ(img.pixelColor(6, 12), QColor(0, 255, 0));  // centre
  EXPECT_EQ(img.pixelColor(6, 3), img.pixelColor(0, 0));  // above the circle
  EXPECT_NE(img.pixelColor(6, 3), QColor(0, 255, 0));
  EXPECT_NE(img.pixelColor(1, 7), QColor(0, 255, 0));  // corner of the circle's box
  EXPECT_EQ(img.pixelColor(6, 6), QColor(0, 0, 0));  // outline at the top
  l.poner_brocha(clRed);
  EXPECT_EQ(l.grab().toImage().pixelColor(6, 12), QColor(255, 0, 0));

  QSignalSpy pulsos(&l, &Lampara::raton_pulsado);
  QTest::mousePress(&l, Qt::LeftButton);
  QTest::mousePress(&l, Qt::RightButton, Qt::ShiftModifier);
  QTest::mousePress(&l, Qt::MiddleButton);
  ASSERT_EQ(pulsos.size(), 3);
  EXPECT_EQ(pulsos[1][0].value<Qt::MouseButton>(), Qt::RightButton);
}

TEST(Aplicacion, ComprobacionesDeCierreEnOrdenHastaLaPrimeraQueNiega) {
  borrar_comprobaciones_cierre();
  EXPECT_TRUE(puede_cerrar());
  std::vector<int> llamadas;
  bool segunda = false;
  agregar_comprobacion_cierre([&] { llamadas.push_back(1); return true; });
  agregar_comprobacion_cierre([&] { llamadas.push_back(2); return segunda; });
  agregar_comprobacion_cierre([&] { llamadas.push_back(3); return true; });
  EXPECT_FALSE(puede_cerrar());
  EXPECT_EQ(llamadas, (std::vector<int>{1, 2}));
  segunda = true;
  llamadas.clear();
  EXPECT_TRUE(puede_cerrar());
  EXPECT_EQ(llamadas, (std::vector<int>{1, 2, 3}));
  borrar_comprobaciones_cierre();
}

class Lanzador : public QObject {
 public:
  int eventos = 0;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) {
      ++eventos;
      throw std::runtime_error("Fallo de prueba");
    }
    return QObject::event(e);
  }
};

TEST(Aplicacion, UnaExcepcionDeUnManejadorSeMuestraYElProgramaSigue) {
  aplicacion_prueba();
  std::vector<Caja> cajas;
  responder_mensajes([&](const Caja& c) {
    cajas.push_back(c);
    return Respuesta::OK;
  });
  Lanzador l;
  QEvent e1(QEvent::User);
  QCoreApplication::sendEvent(&l, &e1);
  QCoreApplication::postEvent(&l, new QEvent(QEvent::User));
  QCoreApplication::sendPostedEvents(&l);
  responder_mensajes(nullptr);
  EXPECT_EQ(l.eventos, 2);
  ASSERT_EQ(cajas.size(), 2u);
  EXPECT_EQ(cajas[0].texto, "Fallo de prueba.");
  EXPECT_EQ(cajas[0].titulo, "kalovet");
  EXPECT_EQ(cajas[0].icono, Icono::Error);
  EXPECT_EQ(cajas[0].botones, Botones::OK);
}

}  // namespace
