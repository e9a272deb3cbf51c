// Tfprin, the main panel: the simulated card's face. The user sets the 16
// digital inputs by clicking lamps and the 16 analog inputs with scroll bars;
// the panel shows the 16 digital outputs as lamps and the two analog outputs as
// text and as gauges. It holds no signal values of its own: handlers write
// into the signal store and the four refresh routines (refresco.h, defined in
// fp.cpp) redraw from it.
//
// Components carry the names of the form; the numbered families are arrays
// (bad[n] is bad<n>) and every widget's objectName is its form name ("bad0",
// "li3", "lada1", ...). Coordinates are client coordinates: the top-left of
// the area under the menu bar.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include "colores.h"
#include "lampara.h"
#include "medidor.h"
#include "superficie.h"

class Tfprin : public QMainWindow {
  Q_OBJECT
 public:
  explicit Tfprin(QWidget* padre = nullptr);

  // Client area; the gauges draw on its canvas.
  ventanas::Superficie* cliente;

  QScrollBar* bad[16];
  QLabel* laad[16];
  QLabel* volts[16];  // Label95, Label93, ... Label34, Label1 (rows 0..15)
  QLabel* nombres_AD[16];  // Label18 .. Label33: "AD0" .. "AD15"
  QGroupBox* GRP_DI;
  ventanas::Lampara* li[16];
  QLabel* lai[16];
  QLabel* bits[16];  // Label2 .. Label17: "0" .. "15" under the lamps
  QGroupBox* GRP_DO;
  ventanas::Lampara* lo[16];
  QLabel* lao[16];
  QLabel* lada0;
  QLabel* lada1;

  QMenuBar* MainMenu1;
  QMenu* Archivo1;
  QAction* Salir1;
  QMenu* Opciones1;
  QAction* Siempredelante1;
  // "Ventana de control": checkable; its handler (Ventanadecontrol1Click)
  // belongs with the communications window, which connects it to triggered().
  // Qt has already inverted the check mark when triggered() arrives.
  QAction* Ventanadecontrol1;
  QMenu* Ayuda1;

  // Background colour of the client area, a Windows colour value: button face
  // at start, white while a TCP client is connected. Changing it repaints the
  // whole client area (the gauges included).
  void poner_color(ventanas::TColor c);
  ventanas::TColor color() const;

  // The window's outer size (frame and menu included). Where the window system
  // gives no frame (offscreen platform, a bare X server) outer and inner sizes
  // are the same.
  void poner_tamano_exterior(int ancho, int alto);
  QSize tamano_exterior() const;

  // Handlers. li0MouseDown..li15MouseDown and bad0Change..bad15Change are one
  // handler each, with the lamp's or scroll bar's number.
  void liMouseDown(int n);
  void badChange(int n);
  void FormCreate();
  void FormShow();
  void FormPaint();
  void Salir1Click();
  void Siempredelante1Click();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  QSize exterior_deseado_;
};

extern Tfprin* fprin;

// Module state of the panel: the two gauges (created by FormCreate, never
// freed) and the first-showing flag.
extern Tmedidor120* medidor_DA1;
extern Tmedidor120* medidor_DA2;
extern bool primera_vez;
