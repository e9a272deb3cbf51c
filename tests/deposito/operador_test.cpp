// deposito's window against the recording client library: the design, the
// question at "Arrancar", the elements' places, each tick's picture, and
// "Salir".
#include "acceso.h"
#include "acceso_ventanas.h"
#include "locale_c.h"
#include "falso_kalovet.h"
#include "cajas.h"
#include "operador.h"
#include "planta.h"
#include "plataforma_acceso.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

namespace {

QApplication* aplicacion() {
  static int argc = 1;
  static char nombre[] = "operador_test";
  static char* argv[] = {nombre, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

std::string respuesta(const char* entradas, double ad0, double ad1) {
  acceso::LocaleC c;  // the reply is the simulator's, in the C locale
  char texto[256];
  std::snprintf(texto, sizeof texto, "%s,%f,%f,0,0,0,0,0,0,0,0,0,0,0,0,0,0", entradas, ad0, ad1);
  return texto;
}

QRect rect(const QWidget* w) { return w->geometry(); }
bool visible(const QWidget* w) { return !w->isHidden(); }

class Operador : public testing::Test {
 protected:
  void SetUp() override {
    aplicacion();
    falso_reiniciar();
    acceso::reiniciar_para_pruebas();
    reiniciar_planta_para_pruebas();
    acceso::usar_ventanas();
    ventanas::responder_mensajes([this](const ventanas::Caja& c) {
      cajas.push_back(c);
      return ventanas::Respuesta::Si;
    });
    f = new Tform_visual;
  }
  void TearDown() override {
    ventanas::responder_mensajes({});
    delete f;
  }
  Tform_visual* f = nullptr;
  std::vector<ventanas::Caja> cajas;
  FalsoKalovet& lib = falso_kalovet();
};

TEST_F(Operador, DesignBeforeArrancar) {
  EXPECT_EQ(f->windowTitle(), QString::fromUtf8("Depósito - Proyecto Informática Industrial"));
  const struct {
    QWidget* w;
    QRect r;
  } tabla[] = {
      {f->planta, {0, 0, 390, 320}},       {f->nivel, {154, 267, 148, 1}},
      {f->tubo_bomba2, {114, 78, 45, 9}},  {f->tubo_bomba1, {26, 78, 62, 9}},
      {f->tubo_valvula, {303, 257, 77, 3}}, {f->temperatura, {326, 160, 5, 10}},
      {f->bomba, {89, 68, 25, 27}},        {f->valvula, {342, 227, 24, 63}},
      {f->llamas, {148, 272, 151, 25}},    {f->corazon_grande, {448, 144, 32, 32}},
      {f->corazon_pequenyo, {449, 144, 32, 32}}, {f->b_arrancar, {408, 212, 65, 25}},
      {f->b_salir, {408, 244, 65, 25}},
  };
  for (const auto& e : tabla) EXPECT_EQ(rect(e.w), e.r) << e.w->objectName().toStdString();
  EXPECT_EQ(f->label_temperatura->text(), "label_temper");
  EXPECT_EQ(f->label_calentador->text(), "label_calentador");
  EXPECT_EQ(f->label_temperatura->pos(), QPoint(453, 8));
  EXPECT_EQ(f->label_valvula->pos(), QPoint(453, 112));
  EXPECT_EQ(f->Label7->text(), QString::fromUtf8("Válvula"));
  EXPECT_EQ(f->Label6->geometry().right(), 394 + 55 - 1);  // right-aligned: the right edge is kept
  EXPECT_EQ(f->Label1->font().family(), "Arial");
  EXPECT_EQ(f->Label1->font().pixelSize(), 11);
  EXPECT_EQ(f->b_arrancar->text(), "Arrancar");
  EXPECT_EQ(f->b_salir->text(), "Salir");
  EXPECT_TRUE(visible(f->corazon_pequenyo));
  EXPECT_FALSE(visible(f->corazon_grande));
  EXPECT_FALSE(visible(f->llamas));
  EXPECT_TRUE(visible(f->bomba) && visible(f->valvula) && visible(f->tubo_bomba1));
  EXPECT_FALSE(f->reloj->isActive());
  EXPECT_TRUE(cajas.empty());  // no question before "Arrancar"
  EXPECT_TRUE(lib.enviados.empty());
}

TEST_F(Operador, ArrancarTicksAndSalir) {
  // CTest runs this in a decimal-comma locale, which the application object
  // takes on: read-outs and write messages must still carry a point.
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  f->show();
  f->b_arrancar->click();
  ASSERT_EQ(cajas.size(), 1u);
  EXPECT_EQ(cajas[0].titulo, "Kalovet");
  EXPECT_EQ(cajas[0].botones, ventanas::Botones::SiNoCancelar);
  EXPECT_EQ(cajas[0].icono, ventanas::Icono::Pregunta);
  EXPECT_FALSE(f->b_arrancar->isEnabled());
  EXPECT_TRUE(f->reloj->isActive());
  EXPECT_EQ(f->reloj->interval(), 500);
  EXPECT_EQ(lib.enviados, std::vector<std::string>{"0000000000000000,0.000000,0.000000"});
  // The moving elements at their places over the drawing; the large heart first.
  const struct {
    QWidget* w;
    QPoint p;
  } lugares[] = {
      {f->tubo_bomba1, {27, 78}}, {f->tubo_bomba2, {114, 78}}, {f->tubo_valvula, {303, 257}},
      {f->nivel, {154, 267}},     {f->temperatura, {326, 168}}, {f->bomba, {89, 68}},
      {f->valvula, {341, 227}},   {f->llamas, {152, 272}},
  };
  for (const auto& e : lugares) EXPECT_EQ(e.w->pos(), e.p) << e.w->objectName().toStdString();
  EXPECT_TRUE(visible(f->corazon_grande));
  EXPECT_FALSE(visible(f->corazon_pequenyo));
  const QColor cara = f->color();

  // First tick: −2.0 V (29.98046875 °C) and 1.0 V (level 4798.828125).
  lib.respuestas = {respuesta("0000000000000000", -2.0, 1.0)};
  f->relojTimer();
  EXPECT_EQ(f->label_temperatura->text(), " 30.0");
  EXPECT_EQ(f->label_nivel->text(), "4798.8");
  EXPECT_EQ(f->label_rebose->text(), "No hay");
  EXPECT_EQ(f->label_sobrecal->text(), "No hay");
  EXPECT_EQ(f->label_bomba->text(), "Bombeando");
  EXPECT_EQ(f->label_calentador->text(), "Calentando");
  EXPECT_EQ(f->label_valvula->text(), "Abierta");
  EXPECT_FALSE(visible(f->corazon_grande));
  EXPECT_TRUE(visible(f->corazon_pequenyo));
  EXPECT_TRUE(visible(f->llamas) && visible(f->bomba) && visible(f->tubo_bomba1) && visible(f->tubo_bomba2) &&
              visible(f->valvula) && visible(f->tubo_valvula));
  EXPECT_EQ(rect(f->nivel), QRect(154, 267 - 95, 148, 95));
  EXPECT_EQ(rect(f->temperatura), QRect(326, 168 - 41, 5, 41));
  EXPECT_EQ(f->color(), cara);
  // The bars lie over the drawing: the water and the thermometer column show.
  const QImage imagen = f->grab().toImage();
  EXPECT_EQ(imagen.pixelColor(200, 200), QColor(0, 255, 0));
  EXPECT_EQ(imagen.pixelColor(328, 150), QColor(255, 0, 0));
  EXPECT_EQ(imagen.pixelColor(200, 150), QColor(255, 255, 255));  // above the water

  // Second tick: overflow switch on. Red window; pipes, pump, valve and flames gone.
  lib.respuestas = {respuesta("0100000000000000", -2.0, 1.0)};
  f->relojTimer();
  EXPECT_EQ(f->label_rebose->text(), "REBOSANDO");
  EXPECT_EQ(f->label_bomba->text(), "Parada");
  EXPECT_EQ(f->label_calentador->text(), "Parado");
  EXPECT_EQ(f->label_valvula->text(), "Cerrada");
  EXPECT_EQ(f->color(), QColor(255, 0, 0));
  EXPECT_FALSE(visible(f->tubo_bomba1) || visible(f->tubo_bomba2) || visible(f->bomba) ||
               visible(f->tubo_valvula) || visible(f->valvula) || visible(f->llamas));
  EXPECT_TRUE(visible(f->corazon_grande));  // the hearts alternate every tick
  EXPECT_FALSE(visible(f->corazon_pequenyo));
  EXPECT_EQ(f->grab().toImage().pixelColor(540, 300), QColor(255, 0, 0));

  // Third tick: empty and cold, no alarm: the window's colour comes back.
  lib.respuestas = {respuesta("0000000000000000", -5.0, -5.0)};
  f->relojTimer();
  EXPECT_EQ(f->color(), cara);
  EXPECT_EQ(f->label_nivel->text(), "   0.0");
  EXPECT_EQ(f->label_temperatura->text(), "  0.0");
  EXPECT_EQ(rect(f->nivel), QRect(154, 267, 148, 0));
  EXPECT_FALSE(visible(f->corazon_grande));
  EXPECT_EQ(lib.rebre, 12);
  EXPECT_EQ(lib.enviados.size(), 4u);

  f->b_salir->click();
  EXPECT_FALSE(f->reloj->isActive());
  EXPECT_EQ(lib.enviados.back(), "0000000000000000,0.000000,0.000000");
  EXPECT_EQ(lib.desconectar, 1);
  EXPECT_FALSE(f->isVisible());
}

}  // namespace
