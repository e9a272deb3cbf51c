// The main panel after a real start-up on the offscreen platform, run in a
// decimal-comma locale (LC_ALL=es_ES.UTF-8): lamps, labels and gauges from the
// store, the handlers, the menu, sizes and the splash's second.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <set>
#include <utility>

#include <QCoreApplication>
#include <QTest>

#include "aplicacion.h"
#include "estado.h"
#include "fp.h"
#include "linea_referencia.h"
#include "propa.h"
#include "qt_prueba.h"
#include "refresco.h"

namespace {

using namespace ventanas;
using Pixel = std::pair<int, int>;

class ContadorMuestras : public QObject {
 public:
  int muestras = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) ++muestras;
    return false;
  }
};

ContadorMuestras* contador = nullptr;
double segundos_arranque = 0;
int64_t marco_al_crear = -1;  // a corner of the first dial, right after FormCreate

class Panel : public ::testing::Test {
 protected:
  // Start-up as the program does it, once for every test of the program.
  static void SetUpTestSuite() {
    if (fprin) return;
    aplicacion_prueba();
    iniciar_estado();
    fprin = new Tfprin;
    marco_al_crear = fprin->cliente->canvas()->pixel(342 - 48, 249 - 48);
    Propaganda = new TPropaganda;
    contador = new ContadorMuestras;
    Propaganda->installEventFilter(contador);
    const auto t0 = std::chrono::steady_clock::now();
    fprin->show();
    segundos_arranque = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    QCoreApplication::processEvents();
  }

  static Lienzo& canvas() { return *fprin->cliente->canvas(); }

  // Blue pixels inside the dial box of the gauge whose pivot is (342, y).
  static std::set<Pixel> aguja_azul(int y) {
    std::set<Pixel> s;
    for (int py = y - 48; py < y; ++py)
      for (int px = 342 - 48; px < 342 + 48; ++px)
        if (canvas().pixel(px, py) == clBlue) s.insert({px, py});
    return s;
  }
  static std::set<Pixel> aguja_esperada(int y, int dx, int dy) {
    const auto v = linea_referencia(342, y - 2, 342 + dx, y - dy);
    return {v.begin(), v.end()};
  }
};

TEST_F(Panel, ElLocaleDelProcesoUsaComa) {
  // Qt took the process locale from LC_ALL; without the comma the tests of
  // the texts below would prove nothing.
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
}

TEST_F(Panel, TrasElArranqueTodoAparaceACero) {
  EXPECT_EQ(marco_al_crear, clBlack) << "the gauges did not draw on creation";
  EXPECT_EQ(contador->muestras, 1) << "the splash was not shown";
  EXPECT_FALSE(Propaganda->isVisible());
  EXPECT_GE(segundos_arranque, 1.0);
  EXPECT_FALSE(primera_vez);
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(fprin->li[n]->brocha(), clLime) << n;
    EXPECT_EQ(fprin->lai[n]->text(), "0") << n;
    EXPECT_EQ(fprin->lo[n]->brocha(), clLime) << n;
    EXPECT_EQ(fprin->lao[n]->text(), "0") << n;
    EXPECT_EQ(fprin->laad[n]->text(), " 0.000") << n;
    EXPECT_EQ(fprin->bad[n]->value(), 5000) << n;
  }
  EXPECT_EQ(fprin->lada0->text(), "DA1 =  0.000v");
  EXPECT_EQ(fprin->lada1->text(), "DA2 =  0.000v");
  EXPECT_EQ(aguja_azul(249), aguja_esperada(249, 0, 28));
  EXPECT_EQ(aguja_azul(312), aguja_esperada(312, 0, 28));
  EXPECT_EQ(fprin->windowTitle(), "Kalovet v. 0.3");
  EXPECT_EQ(fprin->color(), clBtnFace);
  // Offscreen windows have no frame: outer size and window size are one.
  EXPECT_EQ(fprin->tamano_exterior(), QSize(409, 375));
  // The lamps show their colour on the screen too.
  EXPECT_EQ(fprin->li[5]->grab().toImage().pixelColor(6, 12), QColor(0, 255, 0));
}

TEST_F(Panel, ControlesEnSusCoordenadas) {
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(fprin->bad[n]->geometry(), QRect(12, 12 + 12 * n, 269, 8)) << n;
    EXPECT_EQ(fprin->bad[n]->minimum(), 0);
    EXPECT_EQ(fprin->bad[n]->maximum(), 9999);
    EXPECT_EQ(fprin->bad[n]->singleStep(), 1);
    EXPECT_EQ(fprin->bad[n]->pageStep(), 1);
    EXPECT_EQ(fprin->bad[n]->toolTip(), "Para variar las entradas analógicas");
    EXPECT_EQ(fprin->laad[n]->geometry().topLeft(), QPoint(300, 8 + 12 * n));
    EXPECT_EQ(fprin->laad[n]->width(), 27);
    EXPECT_TRUE(fprin->laad[n]->alignment() & Qt::AlignRight);
    EXPECT_EQ(fprin->volts[n]->pos(), QPoint(336, 8 + 12 * n));
    EXPECT_EQ(fprin->volts[n]->text(), "Volts");
    EXPECT_EQ(fprin->nombres_AD[n]->pos(), QPoint(362, 8 + 12 * n));
    EXPECT_EQ(fprin->nombres_AD[n]->text(), QString("AD%1").arg(n));
    EXPECT_EQ(fprin->li[n]->parentWidget(), fprin->GRP_DI);
    EXPECT_EQ(fprin->li[n]->geometry(), QRect(248 - 16 * n, 12, 13, 25)) << n;
    EXPECT_EQ(fprin->lai[n]->geometry(), QRect(248 - 16 * n, 32, 13, 13)) << n;
    EXPECT_EQ(fprin->lo[n]->parentWidget(), fprin->GRP_DO);
    EXPECT_EQ(fprin->lo[n]->geometry(), QRect(248 - 16 * n, 12, 13, 25)) << n;
    EXPECT_EQ(fprin->lao[n]->geometry(), QRect(248 - 16 * n, 32, 13, 13)) << n;
    EXPECT_EQ(fprin->bits[n]->geometry(), QRect(260 - 16 * n, 260, 13, 13)) << n;
    EXPECT_EQ(fprin->bits[n]->text(), QString::number(n));
  }
  EXPECT_EQ(fprin->nombres_AD[15]->objectName(), "Label33");
  EXPECT_EQ(fprin->nombres_AD[15]->width(), 27);
  EXPECT_EQ(fprin->GRP_DI->geometry(), QRect(12, 208, 269, 49));
  EXPECT_EQ(fprin->GRP_DI->title(), "Digital Input");
  EXPECT_EQ(fprin->GRP_DI->toolTip(), "Pincha para cambiar las entradas digitales");
  EXPECT_EQ(fprin->GRP_DO->geometry(), QRect(12, 276, 269, 49));
  EXPECT_EQ(fprin->GRP_DO->title(), "Digital Output");
  EXPECT_EQ(fprin->GRP_DO->toolTip(), "Salidas digitales");
  EXPECT_EQ(fprin->lada0->geometry(), QRect(296, 250, 89, 13));
  EXPECT_EQ(fprin->lada1->geometry(), QRect(296, 312, 89, 13));
  EXPECT_EQ(fprin->Archivo1->title(), "Archivo");
  EXPECT_EQ(fprin->Salir1->text(), "Salir");
  EXPECT_EQ(fprin->Opciones1->title(), "Opciones");
  EXPECT_EQ(fprin->Siempredelante1->text(), "Siempre delante");
  EXPECT_EQ(fprin->Ventanadecontrol1->text(), "Ventana de control");
  EXPECT_TRUE(fprin->Ventanadecontrol1->isCheckable());
  EXPECT_EQ(fprin->Ayuda1->title(), "Ayuda");
  EXPECT_FALSE(fprin->Ayuda1->menuAction()->isEnabled());
  EXPECT_EQ(fprin->findChild<QScrollBar*>("bad7"), fprin->bad[7]);
  EXPECT_EQ(fprin->findChild<Lampara*>("lo15"), fprin->lo[15]);
}

TEST_F(Panel, Li3PulsadaDosVeces) {
  QTest::mousePress(fprin->li[3], Qt::LeftButton);
  EXPECT_EQ(leer_DI(3), 1);
  EXPECT_EQ(fprin->li[3]->brocha(), clRed);
  EXPECT_EQ(fprin->lai[3]->text(), "1");
  EXPECT_EQ(fprin->li[3]->grab().toImage().pixelColor(6, 12), QColor(255, 0, 0));
  for (int n = 0; n < 16; ++n)
    if (n != 3) EXPECT_EQ(fprin->li[n]->brocha(), clLime) << n;
  QTest::mousePress(fprin->li[3], Qt::RightButton, Qt::ControlModifier);
  EXPECT_EQ(leer_DI(3), 0);
  EXPECT_EQ(fprin->li[3]->brocha(), clLime);
  EXPECT_EQ(fprin->lai[3]->text(), "0");
}

TEST_F(Panel, Bad0HastaLosExtremosConPuntoDecimal) {
  fprin->bad[0]->setValue(0);
  EXPECT_EQ(fprin->laad[0]->text(), "-5.000");
  EXPECT_EQ(leer_AD(0), -5.0);
  fprin->bad[0]->setValue(9999);
  EXPECT_EQ(fprin->laad[0]->text(), " 5.000");
  EXPECT_EQ(leer_AD(0), 5.0);
  fprin->bad[0]->triggerAction(QAbstractSlider::SliderPageStepSub);  // a click on the trough
  EXPECT_EQ(fprin->bad[0]->value(), 9998);
  EXPECT_EQ(fprin->laad[0]->text(), " 4.999");
  // Every label is refreshed, and the others still show the store.
  EXPECT_EQ(fprin->laad[1]->text(), " 0.000");
  fprin->bad[0]->setValue(5000);
  EXPECT_EQ(fprin->laad[0]->text(), " 0.001");
  EXPECT_EQ(leer_AD(0), 0.0005000500050004997);
}

TEST_F(Panel, SalidasDesdeElAlmacen) {
  fijar_DO(0, 1);
  fijar_DA(0, 2.5);
  fijar_DA(1, -12.25);
  mostrar_DO();
  mostrar_DA();
  EXPECT_EQ(fprin->lo[0]->brocha(), clRed);
  EXPECT_EQ(fprin->lao[0]->text(), "1");
  for (int n = 1; n < 16; ++n) EXPECT_LT(fprin->lo[n]->x(), fprin->lo[0]->x()) << "lo0 is the rightmost lamp";
  EXPECT_EQ(fprin->lada0->text(), "DA1 =  2.500v");
  EXPECT_EQ(fprin->lada1->text(), "DA2 = -12.250v");
  EXPECT_EQ(aguja_azul(249), aguja_esperada(249, 5, 28));
  const medidor::Desplazamiento d = medidor::polar(29, medidor::angulo_aguja(-12.25, -15, 15));
  EXPECT_EQ(aguja_azul(312), aguja_esperada(312, d.dx, d.dy));
  iniciar_estado();
  mostrar_DO();
  mostrar_DA();
  EXPECT_EQ(fprin->lo[0]->brocha(), clLime);
  EXPECT_EQ(aguja_azul(249), aguja_esperada(249, 0, 28));
  EXPECT_EQ(aguja_azul(312), aguja_esperada(312, 0, 28));
}

TEST_F(Panel, SiempreDelanteDosVeces) {
  EXPECT_FALSE(fprin->windowFlags() & Qt::WindowStaysOnTopHint);
  fprin->Siempredelante1->trigger();
  EXPECT_TRUE(fprin->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(fprin->Siempredelante1->isChecked());
  EXPECT_TRUE(fprin->isVisible());
  fprin->Siempredelante1->trigger();
  EXPECT_FALSE(fprin->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(fprin->Siempredelante1->isChecked());
  EXPECT_TRUE(fprin->isVisible());
  // Showing the panel again does not bring the splash back.
  EXPECT_EQ(contador->muestras, 1);
}

TEST_F(Panel, ColorDeFondoYPintadoCompleto) {
  fprin->poner_color(clWhite);
  fprin->cliente->pintar_pendiente();
  EXPECT_EQ(canvas().pixel(400, 200), clWhite);
  EXPECT_EQ(canvas().pixel(342 - 48, 249 - 48), clBlack);  // both dials drawn again
  EXPECT_EQ(canvas().pixel(342 - 48, 312 - 48), clBlack);
  EXPECT_EQ(aguja_azul(249), aguja_esperada(249, 0, 28));
  const QImage pantalla = fprin->cliente->grab().toImage();
  EXPECT_EQ(pantalla.pixelColor(400, 200), QColor(255, 255, 255));
  EXPECT_EQ(pantalla.pixelColor(342, 230), QColor(0, 0, 255));
  // A stray line is gone after the next complete painting.
  canvas().lapiz.color = clRed;
  canvas().linea(300, 214, 380, 214);
  fprin->poner_color(clBtnFace);
  fprin->cliente->pintar_pendiente();
  EXPECT_NE(canvas().pixel(300, 214), clRed);
  EXPECT_EQ(canvas().pixel(342 - 48 + 1, 214), clSilver);
  EXPECT_EQ(fprin->color(), clBtnFace);
}

TEST_F(Panel, UnaComprobacionDeCierreQueNiegaMantieneElPanel) {
  agregar_comprobacion_cierre([] { return false; });
  fprin->Salir1->trigger();
  EXPECT_TRUE(fprin->isVisible());
  borrar_comprobaciones_cierre();
}

}  // namespace
