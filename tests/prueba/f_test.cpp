// testkalovet's window: the rows and texts, the eight tests and their result
// formats, against the recording client library (simulator mode) and the
// virtual card (card mode).
#include "acceso.h"
#include "acceso_ventanas.h"
#include "locale_c.h"
#include "f.h"
#include "falso_kalovet.h"
#include "cajas.h"
#include "plataforma_acceso.h"
#include "tarjeta_virtual.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

QApplication* aplicacion() {
  static int argc = 1;
  static char nombre[] = "f_test";
  static char* argv[] = {nombre, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

std::string respuesta(const char* entradas, double ad0 = 0.0, double ad7 = 0.0) {
  acceso::LocaleC c;  // the reply is the simulator's, in the C locale
  char texto[256];
  std::snprintf(texto, sizeof texto, "%s,%f,0,0,0,0,0,0,%f,0,0,0,0,0,0,0,0", entradas, ad0, ad7);
  return texto;
}

// Counts the paint events of one widget.
class ContadorPintado : public QObject {
 public:
  int veces = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++veces;
    return false;
  }
};

class Panel : public testing::Test {
 protected:
  void SetUp() override {
    aplicacion();
    falso_reiniciar();
    acceso::reiniciar_para_pruebas();
    acceso::usar_ventanas();
  }
  void TearDown() override { ventanas::responder_mensajes({}); }
  // Creates the window, answering the question with r.
  TForm1* crear(ventanas::Respuesta r) {
    ventanas::responder_mensajes([this, r](const ventanas::Caja& c) {
      cajas.push_back(c);
      return r;
    });
    return new TForm1;
  }
  std::vector<ventanas::Caja> cajas;
  FalsoKalovet& lib = falso_kalovet();
};

TEST_F(Panel, RowsAndTexts) {
  std::unique_ptr<TForm1> f(crear(ventanas::Respuesta::Si));
  ASSERT_EQ(cajas.size(), 1u);  // the prepare test ran as the window was created
  EXPECT_EQ(cajas[0].titulo, "Kalovet");
  EXPECT_EQ(modo_simulador, 1);
  EXPECT_EQ(f->windowTitle(), "Test Kalovet");
  const struct {
    QPushButton* b;
    int top;
  } botones[] = {{f->Button1, 12}, {f->Button2, 32}, {f->Button4, 52}, {f->Button5, 72},
                 {f->Button6, 92}, {f->Button7, 112}, {f->Button8, 132}, {f->Button9, 152}};
  for (const auto& b : botones) {
    EXPECT_EQ(b.b->geometry(), QRect(8, b.top, 69, 17)) << b.top;
    EXPECT_EQ(b.b->text(), "Prueba");
    EXPECT_EQ(b.b->isEnabled(), b.b != f->Button1);
  }
  const struct {
    QLabel* l;
    QPoint p;
    const char* texto;
  } etiquetas[] = {
      {f->Label2, {88, 12}, "Preparar la tarjeta o preparar el simulador"},
      {f->Label3, {88, 32}, "Enviar 0110001101010101 a las salidas digitales"},
      {f->Label4, {88, 52}, "Leer las entradas digitales"},
      {f->Label5, {220, 52}, "(?)"},
      {f->Label6, {88, 72}, "Leer individualmente entrada digital 0 y 12"},
      {f->Label7, {300, 72}, "?,?"},
      {f->Label8, {88, 92}, "Enviar el valor 3210 a la salida DA 1"},
      {f->Label9, {88, 112}, "Conversión analógica modo 0, rango -5 a 5 voltios, canal 7, disparo soft"},
      {f->Label1, {432, 112}, "(?)"},
      {f->Label10, {88, 132}, "Enviar de 0 a 7 a las salidas digitales, con un sleep(1)"},
      {f->Label11, {88, 152}, "Leer 5 veces  AD0 por soft. con un sleep(1)"},
      {f->Label12, {307, 152}, "(?)"},
  };
  for (const auto& e : etiquetas) {
    EXPECT_EQ(e.l->pos(), e.p) << e.texto;
    EXPECT_EQ(e.l->text(), QString::fromUtf8(e.texto));
  }
  EXPECT_FALSE(f->Label2->isEnabled());
  EXPECT_EQ(f->Button9->cursor().shape(), Qt::DragMoveCursor);
}

TEST_F(Panel, QuickTestsAndTheirFormats) {
  std::unique_ptr<TForm1> f(crear(ventanas::Respuesta::Si));
  f->Button2->click();
  EXPECT_EQ(lib.enviados.back(), "0110001101010101,0.000000,0.000000");  // outputs 0,2,4,6,8,9,13,14
  f->Button6->click();
  EXPECT_EQ(lib.enviados.back(), "0110001101010101,3.918457,0.000000");

  const struct {
    const char* entradas;
    const char* palabra;
    const char* bits;
  } tabla[] = {
      {"1010010100000000", "(x00a5)", "1,0"},
      {"1111111111111111", "(xffff)", "1,1"},
      {"0000000000001000", "(x1000)", "0,1"},
      {"0000000000000000", "(x0000)", "0,0"},
  };
  for (const auto& e : tabla) {
    lib.respuestas = {respuesta(e.entradas)};
    f->Button4->click();
    EXPECT_EQ(f->Label5->text(), e.palabra);
    f->Button5->click();
    EXPECT_EQ(f->Label7->text(), e.bits);
  }
  lib.respuestas = {respuesta("0000000000000000", 0.0, 0.0)};
  f->Button7->click();
  EXPECT_EQ(f->Label1->text(), "32775");  // mid-scale on channel 7
  lib.respuestas = {respuesta("0000000000000000", 0.0, -6.0)};
  f->Button7->click();
  EXPECT_EQ(f->Label1->text(), QString::number((-409 * 16) | 7));  // below the range: shown unchanged
  EXPECT_EQ(lib.enviados.size(), 2u);

  const int antes = lib.desconectar;
  f->close();
  EXPECT_EQ(lib.desconectar, antes + 1);
}

TEST_F(Panel, SleepingTestsRunInsideTheirClick) {
  std::unique_ptr<TForm1> f(crear(ventanas::Respuesta::Si));
  f->show();
  QElapsedTimer reloj;
  reloj.start();
  while (!(f->windowHandle() && f->windowHandle()->isExposed()) && reloj.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_TRUE(f->windowHandle()->isExposed());
  reloj.restart();
  f->Button8->click();
  EXPECT_GE(reloj.elapsed(), 7900);
  ASSERT_EQ(lib.enviados.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    std::string esperado = "0000000000000" + std::string{char('0' + (i >> 2 & 1)), char('0' + (i >> 1 & 1)),
                                                         char('0' + (i & 1))};
    EXPECT_EQ(lib.enviados[i], esperado + ",0.000000,0.000000");
  }
  EXPECT_TRUE(f->Button8->isEnabled());

  ContadorPintado pintado;
  f->Label12->installEventFilter(&pintado);
  lib.respuestas = {respuesta("0000000000000000", 0.0), respuesta("0000000000000000", 1.25), respuesta("0000000000000000", 2.5), respuesta("0000000000000000", -5.0),
                    respuesta("0000000000000000", 5.0)};
  reloj.restart();
  f->Button9->click();
  EXPECT_GE(reloj.elapsed(), 4900);
  EXPECT_GE(pintado.veces, 5);  // redrawn inside the loop, once per reading
  EXPECT_EQ(lib.rebre, 5);
  EXPECT_EQ(f->Label12->text(), QString::number(4096 << 4));  // the last reading
  EXPECT_TRUE(f->Button9->isEnabled());
  f->Label12->removeEventFilter(&pintado);
}

TEST_F(Panel, CardModeAndAFailedCall) {
  tarjeta_virtual_reiniciar();
  std::unique_ptr<TForm1> f(crear(ventanas::Respuesta::No));
  EXPECT_EQ(modo_simulador, 0);
  tarjeta_virtual_fijar_DI(0, 0x00A5);
  f->Button2->click();
  uint16_t salidas = 0;
  tarjeta_virtual_leer_DO(0, &salidas);
  EXPECT_EQ(salidas, 0x6355);
  f->Button4->click();
  EXPECT_EQ(f->Label5->text(), "(x00a5)");
  f->Button5->click();
  EXPECT_EQ(f->Label7->text(), "1,0");
  // A conversion that never becomes ready: the call fails (28) and writes
  // nothing; the label shows the 0 the word started with.
  tarjeta_virtual_fijar_espera(0, TARJETA_VIRTUAL_NUNCA);
  f->Button7->click();
  EXPECT_EQ(f->Label1->text(), "0");
  f->close();
  EXPECT_EQ(lib.desconectar, 0);  // card mode: nothing to disconnect
  EXPECT_TRUE(lib.enviados.empty());
}

}  // namespace
