#include "f.h"

#include "acceso.h"
#include "colores.h"

#include <QCloseEvent>
#include <QFont>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int32_t kTarjeta = 0;

QPushButton* boton(QWidget* padre, const char* nombre, int top, bool activo = true) {
  auto* b = new QPushButton("Prueba", padre);
  b->setObjectName(nombre);
  b->setGeometry(8, top, 69, 17);
  b->setEnabled(activo);
  return b;
}

QLabel* etiqueta(QWidget* padre, const char* nombre, int left, int top, const QString& texto, bool activa = true) {
  auto* l = new QLabel(texto, padre);
  l->setObjectName(nombre);
  l->move(left, top);
  l->resize(l->sizeHint());  // auto-size
  l->setEnabled(activa);
  return l;
}

// A result label keeps its place and takes its text's width.
void mostrar(QLabel* l, const QString& texto) {
  l->setText(texto);
  l->resize(l->sizeHint());
}

void dormir_un_segundo() { std::this_thread::sleep_for(std::chrono::seconds(1)); }

}  // namespace

QString texto_palabra_DI(int32_t palabra) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "(x%04x)", static_cast<unsigned>(palabra));
  return texto;
}

QString texto_dos_bits(int32_t a, int32_t b) { return QString::number(a) + "," + QString::number(b); }

TForm1::TForm1(QWidget* padre) : QWidget(padre) {
  // 504 × 206 at (219, 110) is the whole window; its client area is 496 × 179.
  setWindowTitle("Test Kalovet");
  move(219, 110);
  resize(496, 179);
  setFont(ventanas::fuente_windows("MS Sans Serif", 11));  // 8 points

  Button1 = boton(this, "Button1", 12, false);
  Label2 = etiqueta(this, "Label2", 88, 12, "Preparar la tarjeta o preparar el simulador", false);
  Button2 = boton(this, "Button2", 32);
  Label3 = etiqueta(this, "Label3", 88, 32, "Enviar 0110001101010101 a las salidas digitales");
  Button4 = boton(this, "Button4", 52);
  Label4 = etiqueta(this, "Label4", 88, 52, "Leer las entradas digitales");
  Label5 = etiqueta(this, "Label5", 220, 52, "(?)");
  Button5 = boton(this, "Button5", 72);
  Label6 = etiqueta(this, "Label6", 88, 72, "Leer individualmente entrada digital 0 y 12");
  Label7 = etiqueta(this, "Label7", 300, 72, "?,?");
  Button6 = boton(this, "Button6", 92);
  Label8 = etiqueta(this, "Label8", 88, 92, "Enviar el valor 3210 a la salida DA 1");
  Button7 = boton(this, "Button7", 112);
  Label9 = etiqueta(this, "Label9", 88, 112,
                    QString::fromUtf8("Conversión analógica modo 0, rango -5 a 5 voltios, canal 7, disparo soft"));
  Label1 = etiqueta(this, "Label1", 432, 112, "(?)");
  Button8 = boton(this, "Button8", 132);
  Label10 = etiqueta(this, "Label10", 88, 132, "Enviar de 0 a 7 a las salidas digitales, con un sleep(1)");
  Button9 = boton(this, "Button9", 152);
  Button9->setCursor(Qt::DragMoveCursor);
  Label11 = etiqueta(this, "Label11", 88, 152, "Leer 5 veces  AD0 por soft. con un sleep(1)");
  Label12 = etiqueta(this, "Label12", 307, 152, "(?)");

  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
  connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
  connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
  connect(Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
  FormCreate();
}

// Out-values start at 0 before each call, so a call that fails and writes
// nothing shows 0 ("(x0000)", "0,0", "0").

void TForm1::FormCreate() {
  int32_t base = 0, irq = 0;  // ignored
  IO_7240_Initial(kTarjeta, &base, &irq);
}

void TForm1::Button2Click() { IO_7240_DO(kTarjeta, 0x6355); }

void TForm1::Button4Click() {
  int32_t palabra = 0;
  IO_7240_DI(kTarjeta, &palabra);
  mostrar(Label5, texto_palabra_DI(palabra));
}

void TForm1::Button5Click() {
  int32_t bit0 = 0, bit12 = 0;
  IO_7240_DI_Channel(kTarjeta, 0, &bit0);
  IO_7240_DI_Channel(kTarjeta, 12, &bit12);
  mostrar(Label7, texto_dos_bits(bit0, bit12));
}

void TForm1::Button6Click() { IO_7240_DA(kTarjeta, 0, 3210); }

void TForm1::Button7Click() {
  IO_7240_AD_Set_Mode(kTarjeta, 0);
  IO_7240_AD_Set_Range(kTarjeta, 0);
  IO_7240_AD_Set_Channel(kTarjeta, 7);
  IO_7240_AD_Soft_Trig(kTarjeta);
  int32_t palabra = 0;
  IO_7240_AD_Aquire(kTarjeta, &palabra);
  mostrar(Label1, QString::number(palabra));
}

// Runs inside the click: the window does not react for eight seconds.
void TForm1::Button8Click() {
  Button8->setEnabled(false);
  for (int32_t valor = 0; valor <= 7; ++valor) {
    IO_7240_DO(kTarjeta, valor);
    dormir_un_segundo();
  }
  Button8->setEnabled(true);
}

// Runs inside the click; Label12 is redrawn at once after each reading, since
// the window does not repaint by itself for five seconds.
void TForm1::Button9Click() {
  IO_7240_AD_Set_Mode(kTarjeta, 0);
  IO_7240_AD_Set_Range(kTarjeta, 0);
  IO_7240_AD_Set_Channel(kTarjeta, 0);
  Button9->setEnabled(false);
  for (int i = 0; i < 5; ++i) {
    IO_7240_AD_Soft_Trig(kTarjeta);
    int32_t palabra = 0;
    IO_7240_AD_Aquire(kTarjeta, &palabra);
    mostrar(Label12, QString::number(palabra));
    Label12->repaint();
    dormir_un_segundo();
  }
  Button9->setEnabled(true);
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (modo_simulador == 1) desconectar_simulador();
  e->accept();
}
