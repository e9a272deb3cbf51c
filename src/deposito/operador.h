// deposito's window, form_visual: the plant picture with its moving elements,
// the read-outs, the heartbeat and the buttons "Arrancar" and "Salir". The
// handlers forward to the plant module (planta.h); colocar_elementos and
// refrescar_visual draw the plant state computed by vista.h.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// A filled rectangle in one colour (its brush and pen are the same colour).
class Forma : public QWidget {
 public:
  Forma(QWidget* padre, QColor color) : QWidget(padre), color_(color) {}

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_;
};

class Tform_visual : public QWidget {
  Q_OBJECT

 public:
  explicit Tform_visual(QWidget* padre = nullptr);

  // Components, in creation order (later ones lie over earlier ones).
  QLabel* label_temperatura;
  QLabel* label_nivel;
  QLabel* label_rebose;
  QLabel* label_sobrecal;
  QLabel* label_bomba;
  QLabel* label_calentador;
  QLabel* label_valvula;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* corazon_grande;
  QLabel* corazon_pequenyo;
  QLabel* planta;
  Forma* nivel;
  Forma* tubo_bomba2;
  Forma* tubo_bomba1;
  Forma* tubo_valvula;
  Forma* temperatura;
  QLabel* bomba;
  QLabel* valvula;
  QLabel* llamas;
  QPushButton* b_arrancar;
  QPushButton* b_salir;
  QTimer* reloj;

  // The window's colour (button face, or red while an alarm is on).
  QColor color() const;
  void set_color(const QColor& c);

 public slots:
  void FormCreate();
  void b_arrancarClick();
  void relojTimer();
  void b_salirClick();
};

// The window, created at start-up.
extern Tform_visual* form_visual;

// Called once by "Arrancar": the large heart shows, the moving elements go to
// their places over the drawing.
void colocar_elementos();
// Called at the end of every tick: read-outs, heartbeat, alarm colour,
// overlays and the two bars from the plant state.
void refrescar_visual();
