#include "fp.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include "aplicacion.h"
#include "estado.h"
#include "formato.h"
#include "grupo.h"
#include "rotulo.h"
#include "propa.h"
#include "refresco.h"

#ifndef KALOVET_VERSION
#define KALOVET_VERSION "0.3"
#endif

static void iniciar_recursos() { Q_INIT_RESOURCE(recursos); }

Tfprin* fprin = nullptr;
Tmedidor120* medidor_DA1 = nullptr;
Tmedidor120* medidor_DA2 = nullptr;
bool primera_vez = true;

using namespace ventanas;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QLabel* etiqueta(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h,
                 Qt::Alignment alineacion = Qt::AlignLeft | Qt::AlignTop) {
  auto* l = new Rotulo(texto, padre);
  l->setObjectName(nombre);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(alineacion);
  if (w > 0) l->setGeometry(x, y, w, h);
  else {
    l->move(x, y);
    l->adjustSize();
    l->resize(l->width(), h);
  }
  return l;
}

// The names of the "Volts" labels of rows 0..15 as the form has them where
// known; the others are named after their row.
std::string nombre_volts(int n) {
  switch (n) {
    case 0: return "Label95";
    case 1: return "Label93";
    case 14: return "Label34";
    case 15: return "Label1";
    default: return "volts" + std::to_string(n);
  }
}

// Places a window's outer box centred on its screen.
void centrar(QWidget* w, QSize exterior) {
  QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect g = s->availableGeometry();
  w->move(g.x() + (g.width() - exterior.width()) / 2, g.y() + (g.height() - exterior.height()) / 2);
}

}  // namespace

Tfprin::Tfprin(QWidget* padre) : QMainWindow(padre) {
  iniciar_recursos();
  setObjectName("fprin");
  setFont(fuente_windows("MS Sans Serif", 11));  // 8 points, height -11
  setWindowIcon(QIcon(":/recursos/kalovet.png"));

  MainMenu1 = menuBar();
  MainMenu1->setObjectName("MainMenu1");
  Archivo1 = MainMenu1->addMenu("Archivo");
  Archivo1->setObjectName("Archivo1");
  Salir1 = Archivo1->addAction("Salir");
  Salir1->setObjectName("Salir1");
  Opciones1 = MainMenu1->addMenu("Opciones");
  Opciones1->setObjectName("Opciones1");
  Siempredelante1 = Opciones1->addAction("Siempre delante");
  Siempredelante1->setObjectName("Siempredelante1");
  Siempredelante1->setCheckable(true);
  Ventanadecontrol1 = Opciones1->addAction("Ventana de control");
  Ventanadecontrol1->setObjectName("Ventanadecontrol1");
  Ventanadecontrol1->setCheckable(true);
  Ayuda1 = MainMenu1->addMenu("Ayuda");
  Ayuda1->setObjectName("Ayuda1");
  Ayuda1->menuAction()->setEnabled(false);
  connect(Salir1, &QAction::triggered, this, [this] { Salir1Click(); });
  // Qt inverts a checkable item's mark before triggered(); the handler decides
  // from the mark as it was and inverts it itself.
  connect(Siempredelante1, &QAction::triggered, this, [this](bool marcado) {
    Siempredelante1->setChecked(!marcado);
    Siempredelante1Click();
  });

  cliente = new Superficie(this);
  cliente->setObjectName("cliente");
  setCentralWidget(cliente);
  cliente->al_pintar([this] { FormPaint(); });

  for (int n = 0; n < 16; ++n) {
    const int fila = 12 * n;
    bad[n] = new QScrollBar(Qt::Horizontal, cliente);
    bad[n]->setObjectName(qs("bad" + std::to_string(n)));
    bad[n]->setGeometry(12, 12 + fila, 269, 8);
    bad[n]->setRange(0, 9999);
    // The bar's page size is 0 (the thumb at its smallest); Qt's page step is
    // also what a click on the trough moves by, which is 1 here as on the
    // form (its large change).
    bad[n]->setSingleStep(1);
    bad[n]->setPageStep(1);
    bad[n]->setValue(5000);
    bad[n]->setToolTip("Para variar las entradas analógicas");
    connect(bad[n], &QScrollBar::valueChanged, this, [this, n] { badChange(n); });

    laad[n] = etiqueta(cliente, ("laad" + std::to_string(n)).c_str(), "0,000", 300, 8 + fila, 27, 13,
                       Qt::AlignRight | Qt::AlignTop);
    volts[n] = etiqueta(cliente, nombre_volts(n).c_str(), "Volts", 336, 8 + fila, 25, 13);
    nombres_AD[n] = etiqueta(cliente, ("Label" + std::to_string(18 + n)).c_str(), qs("AD" + std::to_string(n)),
                             362, 8 + fila, 27, 13);
  }

  GRP_DI = new Grupo("Digital Input", cliente);
  GRP_DI->setObjectName("GRP_DI");
  GRP_DI->setGeometry(12, 208, 269, 49);
  GRP_DI->setToolTip("Pincha para cambiar las entradas digitales");
  GRP_DO = new Grupo("Digital Output", cliente);
  GRP_DO->setObjectName("GRP_DO");
  GRP_DO->setGeometry(12, 276, 269, 49);
  GRP_DO->setToolTip("Salidas digitales");
  for (int n = 0; n < 16; ++n) {
    const int x = 248 - 16 * n;
    li[n] = new Lampara(GRP_DI);
    li[n]->setObjectName(qs("li" + std::to_string(n)));
    li[n]->setGeometry(x, 12, 13, 25);
    li[n]->poner_brocha(clRed);
    connect(li[n], &Lampara::raton_pulsado, this, [this, n] { liMouseDown(n); });
    lai[n] = etiqueta(GRP_DI, ("lai" + std::to_string(n)).c_str(), "1", x, 32, 13, 13, Qt::AlignHCenter | Qt::AlignTop);
    lo[n] = new Lampara(GRP_DO);
    lo[n]->setObjectName(qs("lo" + std::to_string(n)));
    lo[n]->setGeometry(x, 12, 13, 25);
    lo[n]->poner_brocha(clRed);
    lao[n] = etiqueta(GRP_DO, ("lao" + std::to_string(n)).c_str(), "1", x, 32, 13, 13, Qt::AlignHCenter | Qt::AlignTop);
    bits[n] = etiqueta(cliente, ("Label" + std::to_string(2 + n)).c_str(), qs(std::to_string(n)), 260 - 16 * n, 260,
                       13, 13, Qt::AlignHCenter | Qt::AlignTop);
  }
  lada0 = etiqueta(cliente, "lada0", "DA1", 296, 250, 89, 13, Qt::AlignHCenter | Qt::AlignTop);
  lada1 = etiqueta(cliente, "lada1", "DA2", 296, 312, 89, 13, Qt::AlignHCenter | Qt::AlignTop);

  FormCreate();
}

void Tfprin::poner_color(TColor c) { cliente->poner_color(c); }
TColor Tfprin::color() const { return cliente->color(); }

QSize Tfprin::tamano_exterior() const { return frameGeometry().size(); }

void Tfprin::poner_tamano_exterior(int ancho, int alto) {
  exterior_deseado_ = QSize(ancho, alto);
  // The frame is known only once the window system has framed the window;
  // before that (and where there is none) it counts as zero.
  const QSize marco = frameGeometry().size() - geometry().size();
  resize(ancho - marco.width(), alto - marco.height());
  // Give the client area its size now (a hidden window is laid out only when
  // shown), so that the gauges created with the form draw on a canvas of the
  // right size.
  if (!isVisible()) {
    const int menu = MainMenu1->sizeHint().height();
    cliente->setGeometry(0, menu, width(), std::max(0, height() - menu));
    cliente->ajustar_lienzo();
  }
}

void Tfprin::FormCreate() {
  setWindowTitle(qs(std::string("Kalovet v. ") + KALOVET_VERSION));
  QLabel* Label33 = nombres_AD[15];
  poner_tamano_exterior(Label33->x() + Label33->width() + 20, GRP_DO->y() + GRP_DO->height() + 50);
  medidor_DA1 = new Tmedidor120(cliente->canvas(), 342, 249, 48, -15.0, 15.0);
  medidor_DA2 = new Tmedidor120(cliente->canvas(), 342, 312, 48, -15.0, 15.0);
}

void Tfprin::FormShow() {
  if (!primera_vez) return;
  primera_vez = false;
  if (Propaganda) {
    Propaganda->show();
    // Let the window system map the splash (bounded), then paint it and push
    // the picture out before the blocking second. Neither input nor socket
    // events are handled here.
    const auto sin_entrada = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
    QElapsedTimer reloj;
    reloj.start();
    while (Propaganda->windowHandle() && !Propaganda->windowHandle()->isExposed() && reloj.elapsed() < 500)
      QCoreApplication::processEvents(sin_entrada, 50);
    Propaganda->repaint();
    QCoreApplication::processEvents(sin_entrada);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  if (Propaganda) Propaganda->hide();
  mostrar_DI();
  mostrar_DO();
  mostrar_AD();
  mostrar_DA();
}

void Tfprin::FormPaint() {
  if (medidor_DA1) medidor_DA1->dibujar();
  if (medidor_DA2) medidor_DA2->dibujar();
}

void Tfprin::liMouseDown(int n) {
  conmutar_DI(n);
  mostrar_DI();
}

void Tfprin::badChange(int n) {
  fijar_AD(n, bad[n]->value());
  mostrar_AD();
}

void Tfprin::Salir1Click() { close(); }

void Tfprin::Siempredelante1Click() {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, !Siempredelante1->isChecked());
  if (visible) show();  // changing the flags hides the window
  Siempredelante1->setChecked(!Siempredelante1->isChecked());
}

void Tfprin::showEvent(QShowEvent* e) {
  if (!e->spontaneous() && primera_vez) {
    centrar(this, exterior_deseado_);
    // Once the window system has framed the window, set the outer size again
    // with the real frame.
    QTimer::singleShot(0, this, [this] { poner_tamano_exterior(exterior_deseado_.width(), exterior_deseado_.height()); });
  }
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void Tfprin::closeEvent(QCloseEvent* e) {
  if (!puede_cerrar()) {
    e->ignore();
    return;
  }
  e->accept();
  // The panel is the main window: closing it ends the program even while
  // other windows are open.
  QCoreApplication::quit();
}

// Refresh routines: each reads the store and sets every one of its controls.

void mostrar_DI() {
  if (!fprin) return;
  for (int n = 0; n < 16; ++n) {
    const bool on = leer_DI(n) != 0;
    fprin->li[n]->poner_brocha(on ? clRed : clLime);
    fprin->lai[n]->setText(on ? "1" : "0");
  }
}

void mostrar_DO() {
  if (!fprin) return;
  for (int n = 0; n < 16; ++n) {
    const bool on = leer_DO(n) != 0;
    fprin->lo[n]->poner_brocha(on ? clRed : clLime);
    fprin->lao[n]->setText(on ? "1" : "0");
  }
}

void mostrar_AD() {
  if (!fprin) return;
  for (int n = 0; n < 16; ++n) fprin->laad[n]->setText(qs(formato_c("%6.3f", leer_AD(n))));
}

void mostrar_DA() {
  if (!fprin) return;
  fprin->lada0->setText(qs(formato_c("DA1 = %6.3fv", leer_DA(0))));
  if (medidor_DA1) medidor_DA1->poner_valor(leer_DA(0));
  fprin->lada1->setText(qs(formato_c("DA2 = %6.3fv", leer_DA(1))));
  if (medidor_DA2) medidor_DA2->poner_valor(leer_DA(1));
}
