#include "propa.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

static void iniciar_recursos() { Q_INIT_RESOURCE(recursos); }

TPropaganda* Propaganda = nullptr;

TPropaganda::TPropaganda(QWidget* padre) : QWidget(padre, Qt::SplashScreen | Qt::FramelessWindowHint) {
  iniciar_recursos();
  setObjectName("Propaganda");
  setWindowTitle("Propaganda");
  setFixedSize(173, 130);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(0, 0, 173, 130);
  Image1->setScaledContents(true);
  Image1->setPixmap(QPixmap(":/recursos/propaganda.png"));
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect g = s->availableGeometry();
    move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
  }
}
