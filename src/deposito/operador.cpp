#include "operador.h"

#include "colores.h"
#include "planta.h"
#include "vista.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPalette>

#include <algorithm>

Tform_visual* form_visual = nullptr;

// The pictures live in a resource compiled into a static library; this keeps
// the linker from dropping them.
static void cargar_recursos() { Q_INIT_RESOURCE(deposito); }

void Forma::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), color_);
}

namespace {

QFont arial11() { return ventanas::fuente_windows("Arial", 11); }

QLabel* etiqueta(QWidget* padre, const char* nombre, int x, int y, int w, int h, const QString& texto,
                 bool derecha = false) {
  auto* l = new QLabel(texto, padre);
  l->setObjectName(nombre);
  l->setFont(arial11());
  l->setAlignment((derecha ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
  // Sized to its caption; a right-aligned label keeps its right edge.
  const int ancho = std::max(w, l->sizeHint().width());
  l->setGeometry(derecha ? x + w - ancho : x, y, ancho, h);
  return l;
}

QLabel* imagen(QWidget* padre, const char* nombre, int x, int y, const char* recurso) {
  auto* l = new QLabel(padre);
  l->setObjectName(nombre);
  const QPixmap pixmap(recurso);
  l->setPixmap(pixmap);
  l->setGeometry(x, y, pixmap.width(), pixmap.height());  // auto-size
  return l;
}

Forma* forma(QWidget* padre, const char* nombre, int x, int y, int w, int h, QColor color) {
  auto* f = new Forma(padre, color);
  f->setObjectName(nombre);
  f->setGeometry(x, y, w, h);
  return f;
}

// A value label keeps its left and top and takes its caption's width.
void poner_texto(QLabel* l, const std::string& texto) {
  l->setText(QString::fromStdString(texto));
  l->resize(l->sizeHint().width(), l->height());
}

void poner_barra(QWidget* w, const Barra& b) { w->setGeometry(w->x(), b.top, w->width(), b.altura); }

// The platform's button-face colour (clBtnFace).
QColor cara_boton() { return QApplication::palette().color(QPalette::Button); }

}  // namespace

Tform_visual::Tform_visual(QWidget* padre) : QWidget(padre) {
  cargar_recursos();
  // Left 98, Top 119, Width 568, Height 348 is the whole window; its client
  // area, which holds the 390 × 320 drawing, is 560 × 321.
  setWindowTitle(QString::fromUtf8("Depósito - Proyecto Informática Industrial"));
  move(98, 119);
  resize(560, 321);
  setFont(ventanas::fuente_windows("MS Sans Serif", 11));
  setAutoFillBackground(true);
  set_color(cara_boton());

  label_temperatura = etiqueta(this, "label_temperatura", 453, 8, 61, 14, "label_temper");
  label_nivel = etiqueta(this, "label_nivel", 453, 24, 50, 14, "label_nivel");
  label_rebose = etiqueta(this, "label_rebose", 453, 40, 62, 14, "label_rebose");
  label_sobrecal = etiqueta(this, "label_sobrecal", 453, 56, 70, 14, "label_sobrecal");
  label_bomba = etiqueta(this, "label_bomba", 453, 80, 60, 14, "label_bomba");
  label_calentador = etiqueta(this, "label_calentador", 453, 96, 79, 14, "label_calentador");
  label_valvula = etiqueta(this, "label_valvula", 453, 112, 62, 14, "label_valvula");
  Label1 = etiqueta(this, "Label1", 410, 8, 39, 14, "Temper:", true);
  Label2 = etiqueta(this, "Label2", 423, 24, 26, 14, "Nivel:", true);
  Label3 = etiqueta(this, "Label3", 409, 40, 40, 14, "Rebose:", true);
  Label4 = etiqueta(this, "Label4", 400, 56, 49, 14, "Sobrecal.:", true);
  Label5 = etiqueta(this, "Label5", 413, 80, 36, 14, "Bomba:", true);
  Label6 = etiqueta(this, "Label6", 394, 96, 55, 14, "Calentador:", true);
  Label7 = etiqueta(this, "Label7", 413, 112, 36, 14, QString::fromUtf8("Válvula"), true);
  corazon_grande = imagen(this, "corazon_grande", 448, 144, ":/deposito/corazon_grande.png");
  corazon_grande->hide();
  corazon_pequenyo = imagen(this, "corazon_pequenyo", 449, 144, ":/deposito/corazon_pequenyo.png");
  planta = imagen(this, "planta", 0, 0, ":/deposito/planta.png");
  const QColor lima(0, 255, 0), rojo(255, 0, 0);
  nivel = forma(this, "nivel", 154, 267, 148, 1, lima);
  tubo_bomba2 = forma(this, "tubo_bomba2", 114, 78, 45, 9, lima);
  tubo_bomba1 = forma(this, "tubo_bomba1", 26, 78, 62, 9, lima);
  tubo_valvula = forma(this, "tubo_valvula", 303, 257, 77, 3, lima);
  temperatura = forma(this, "temperatura", 326, 160, 5, 10, rojo);
  bomba = imagen(this, "bomba", 89, 68, ":/deposito/bomba.png");
  valvula = imagen(this, "valvula", 342, 227, ":/deposito/valvula.png");
  llamas = imagen(this, "llamas", 148, 272, ":/deposito/llamas.png");
  llamas->hide();
  b_arrancar = new QPushButton("Arrancar", this);
  b_arrancar->setObjectName("b_arrancar");
  b_arrancar->setGeometry(408, 212, 65, 25);
  b_salir = new QPushButton("Salir", this);
  b_salir->setObjectName("b_salir");
  b_salir->setGeometry(408, 244, 65, 25);
  setTabOrder(b_arrancar, b_salir);
  // The right-aligned captions grow to the left when the platform's stand-in
  // for Arial is wider than Arial; they then stay over the drawing rather than
  // under it (in the design they do not overlap it at all).
  for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7}) l->raise();
  reloj = new QTimer(this);
  reloj->setObjectName("reloj");

  connect(b_arrancar, &QPushButton::clicked, this, &Tform_visual::b_arrancarClick);
  connect(b_salir, &QPushButton::clicked, this, &Tform_visual::b_salirClick);
  connect(reloj, &QTimer::timeout, this, &Tform_visual::relojTimer);
  form_visual = this;
  fijar_refresco(refrescar_visual);
  FormCreate();
}

QColor Tform_visual::color() const { return palette().color(QPalette::Window); }

void Tform_visual::set_color(const QColor& c) {
  QPalette p = palette();
  p.setColor(QPalette::Window, c);
  setPalette(p);
}

void Tform_visual::FormCreate() { reloj->stop(); }

void Tform_visual::b_arrancarClick() {
  b_arrancar->setEnabled(false);
  iniciar_planta();
  colocar_elementos();
  reloj->setInterval(500);
  reloj->start();
}

void Tform_visual::relojTimer() { ciclo_control(); }

void Tform_visual::b_salirClick() {
  reloj->stop();
  parar_planta();
  close();
}

void colocar_elementos() {
  Tform_visual* f = form_visual;
  const int l = f->planta->x(), t = f->planta->y();
  f->corazon_grande->show();
  f->corazon_pequenyo->hide();
  f->tubo_bomba1->move(l + 27, t + 78);
  f->tubo_bomba2->move(l + 114, t + 78);
  f->tubo_valvula->move(l + 303, t + 257);
  f->nivel->move(l + 154, t + 267);
  f->temperatura->move(l + 326, t + 168);
  f->bomba->move(l + 89, t + 68);
  f->valvula->move(l + 341, t + 227);
  f->llamas->move(l + 152, t + 272);
}

void refrescar_visual() {
  Tform_visual* f = form_visual;
  const Vista v = calcular_vista(estado_actual(), f->planta->y());
  poner_texto(f->label_temperatura, v.temperatura);
  poner_texto(f->label_nivel, v.nivel);
  poner_texto(f->label_rebose, v.rebose);
  poner_texto(f->label_sobrecal, v.sobrecal);
  poner_texto(f->label_bomba, v.bomba);
  poner_texto(f->label_calentador, v.calentador);
  poner_texto(f->label_valvula, v.valvula);
  // Heartbeat: each heart takes the opposite of its own visibility.
  f->corazon_grande->setVisible(f->corazon_grande->isHidden());
  f->corazon_pequenyo->setVisible(f->corazon_pequenyo->isHidden());
  f->set_color(v.alarma ? QColor(255, 0, 0) : cara_boton());
  f->tubo_bomba1->setVisible(v.tubos_bomba);
  f->tubo_bomba2->setVisible(v.tubos_bomba);
  f->bomba->setVisible(v.bomba_visible);
  f->tubo_valvula->setVisible(v.tubo_valvula);
  f->valvula->setVisible(v.valvula_visible);
  f->llamas->setVisible(v.llamas);
  poner_barra(f->nivel, v.barra_nivel);
  poner_barra(f->temperatura, v.barra_temperatura);
}
