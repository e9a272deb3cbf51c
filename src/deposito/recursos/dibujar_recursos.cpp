// Draws the pictures of deposito's window and saves them as PNG files in the
// folder given as argument (the committed files in src/deposito/recursos come
// from this tool: cmake --build <build> --target deposito_dibujar, then run
// <build>/src/deposito/deposito_dibujar src/deposito/recursos).
//
// planta.png      390 × 320, 16 colours: the plant's line drawing
// bomba.png        25 × 27: the running pump, laid over the drawn pump
// valvula.png      24 × 63: the open valve, laid over the drawn valve
// llamas.png      151 × 25: the heater's flames, laid over the coil
// corazon_grande.png, corazon_pequenyo.png  32 × 32, transparent around
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <cstdio>

namespace {

const QColor kNegro(0, 0, 0), kBlanco(255, 255, 255), kAzul(0, 0, 255), kVerde(0, 128, 0),
    kLima(0, 255, 0), kAmarillo(255, 255, 0), kRojo(255, 0, 0), kGris(128, 128, 128);

// The 16 colours of the standard VGA palette.
QList<QRgb> paleta16() {
  return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
          qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QFont letra() {
  QFont f("Arial");
  f.setPixelSize(10);
  return f;
}

void texto(QPainter& p, int x, int y, const QString& s) { p.drawText(x, y, s); }

// A downward triangle whose top edge is at y, from x to x + 8.
void marca_sensor(QPainter& p, int x, int y) {
  p.setBrush(kNegro);
  p.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 8, y), QPoint(x + 4, y + 6)}));
  p.setBrush(Qt::NoBrush);
}

QImage planta() {
  QImage img(390, 320, QImage::Format_RGB32);
  img.fill(kBlanco);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(letra());
  p.setPen(QPen(kNegro, 1));

  // Inlet pipe from x 28 to the tank, broken by the pump (x 89..113, y 68..94).
  p.drawLine(28, 77, 89, 77);
  p.drawLine(28, 87, 89, 87);
  p.drawLine(113, 77, 153, 77);
  p.drawLine(113, 87, 153, 87);
  p.drawLine(28, 77, 28, 87);
  p.drawEllipse(QRect(89, 69, 24, 24));  // pump: a circle with an X
  p.drawLine(93, 73, 109, 89);
  p.drawLine(109, 73, 93, 89);
  p.drawLine(101, 93, 101, 94);
  texto(p, 74, 60, "Bomba (SD)");

  // Tank: walls at x 153 and 303, bottom at y 268, open at the top; the inlet
  // pipe comes in through the left wall.
  p.drawLine(153, 40, 153, 77);
  p.drawLine(153, 87, 153, 268);
  p.drawLine(303, 40, 303, 256);
  p.drawLine(303, 260, 303, 268);
  p.drawLine(153, 268, 303, 268);
  p.drawLine(149, 40, 153, 40);
  p.drawLine(303, 40, 307, 40);

  // Sensor marks on the right wall: overflow switch (top at y 70) and level
  // sensor (top at y 107).
  marca_sensor(p, 294, 70);
  texto(p, 228, 77, "Rebose (ED)");
  marca_sensor(p, 294, 107);
  texto(p, 236, 114, "Nivel (EA)");

  // Thermometer: tube between x 323 and 333, 0 °C at y 168, 100 °C at y 28.
  texto(p, 302, 12, "Temperatura (EA)");
  p.drawLine(323, 20, 323, 170);
  p.drawLine(333, 20, 333, 170);
  p.drawLine(323, 20, 333, 20);
  p.drawEllipse(QRect(320, 170, 16, 14));
  for (int k = 0; k <= 10; ++k) {
    const int y = 168 - 14 * k;
    p.drawLine(333, y, k % 5 == 0 ? 340 : 337, y);
  }
  texto(p, 342, 32, "100°C");
  texto(p, 342, 172, "0°C");

  // Outlet pipe (lines at y 256 and 260) from the tank's right wall through
  // the valve (x 341..364, y 227..289).
  p.drawLine(303, 256, 343, 256);
  p.drawLine(303, 260, 343, 260);
  p.drawLine(362, 256, 389, 256);
  p.drawLine(362, 260, 389, 260);
  p.drawPolygon(QPolygon({QPoint(343, 246), QPoint(352, 258), QPoint(343, 270)}));
  p.drawPolygon(QPolygon({QPoint(361, 246), QPoint(352, 258), QPoint(361, 270)}));
  p.drawLine(352, 258, 352, 236);
  p.drawRect(QRect(346, 229, 12, 7));
  texto(p, 326, 304, "Valvula (SD)");

  // Heater coil under the tank bottom (x 153..299, y 273..293), in blue.
  p.setPen(QPen(kAzul, 1));
  QPolygon zigzag;
  for (int i = 0, x = 153; x <= 299; ++i, x += 8) zigzag << QPoint(x, i % 2 ? 293 : 273);
  zigzag << QPoint(299, 283);
  p.drawPolyline(zigzag);
  p.setPen(QPen(kNegro, 1));
  texto(p, 190, 308, "Calefactor (SD)");

  // Overheat switch at the lower left.
  p.drawEllipse(QRect(18, 268, 5, 5));
  p.drawEllipse(QRect(48, 268, 5, 5));
  p.drawLine(23, 268, 47, 256);
  p.drawLine(20, 273, 20, 284);
  p.drawLine(50, 273, 50, 284);
  texto(p, 6, 300, "Sobrecalentamiento (ED)");
  p.end();
  return img.convertToFormat(QImage::Format_Indexed8, paleta16(), Qt::ThresholdDither | Qt::AvoidDither);
}

QImage nueva(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

QImage bomba() {
  QImage img = nueva(25, 27);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(QRect(0, 9, 25, 9), kLima);  // water through the pump
  p.setPen(QPen(kVerde, 2));
  p.setBrush(kAmarillo);
  p.drawEllipse(QRectF(1, 2, 23, 23));
  p.setPen(QPen(kVerde, 3));
  p.drawLine(QPointF(6, 7), QPointF(19, 20));
  p.drawLine(QPointF(19, 7), QPointF(6, 20));
  return img;
}

QImage valvula() {
  QImage img = nueva(24, 63);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(QRect(0, 29, 24, 5), kLima);  // water through the open valve
  p.setPen(QPen(kNegro, 1));
  p.setBrush(kAmarillo);
  p.drawPolygon(QPolygonF({QPointF(2, 19), QPointF(11, 31), QPointF(2, 43)}));
  p.drawPolygon(QPolygonF({QPointF(21, 19), QPointF(12, 31), QPointF(21, 43)}));
  p.fillRect(QRect(10, 6, 4, 25), kVerde);  // the stem, lifted
  p.setBrush(kAmarillo);
  p.drawRect(QRectF(4.5, 1.5, 15, 6));
  return img;
}

QImage llamas() {
  QImage img = nueva(151, 25);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  for (int x = 0; x < 151; x += 12) {
    const int alto = 14 + (x / 12 % 3) * 4;
    QPainterPath roja;
    roja.moveTo(x, 25);
    roja.cubicTo(x, 25 - alto / 2, x + 6, 25 - alto, x + 6, 25 - alto - 1);
    roja.cubicTo(x + 8, 25 - alto / 2, x + 12, 25 - alto / 3, x + 12, 25);
    roja.closeSubpath();
    p.setBrush(kRojo);
    p.drawPath(roja);
    QPainterPath amarilla;
    amarilla.moveTo(x + 3, 25);
    amarilla.cubicTo(x + 3, 25 - alto / 3, x + 6, 25 - alto / 2, x + 6, 25 - alto / 2 - 1);
    amarilla.cubicTo(x + 8, 25 - alto / 3, x + 9, 25 - alto / 4, x + 9, 25);
    amarilla.closeSubpath();
    p.setBrush(kAmarillo);
    p.drawPath(amarilla);
  }
  return img;
}

// A red heart filling a square of side lado, centred in 32 × 32.
QImage corazon(double lado) {
  QImage img = nueva(32, 32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(16 - lado / 2, 16 - lado / 2);
  p.scale(lado / 32.0, lado / 32.0);
  QPainterPath c;
  c.moveTo(16, 29);
  c.cubicTo(4, 20, 0, 14, 1, 9);
  c.cubicTo(2, 3, 10, 0, 16, 8);
  c.cubicTo(22, 0, 30, 3, 31, 9);
  c.cubicTo(32, 14, 28, 20, 16, 29);
  p.setPen(QPen(QColor(128, 0, 0), 1.5));
  p.setBrush(kRojo);
  p.drawPath(c);
  return img;
}

bool guardar(const QImage& img, const QString& carpeta, const char* nombre) {
  const QString ruta = carpeta + "/" + nombre;
  if (!img.save(ruta, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(ruta));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const QString carpeta = QString::fromLocal8Bit(argv[1]);
  bool ok = guardar(planta(), carpeta, "planta.png");
  ok = guardar(bomba(), carpeta, "bomba.png") && ok;
  ok = guardar(valvula(), carpeta, "valvula.png") && ok;
  ok = guardar(llamas(), carpeta, "llamas.png") && ok;
  ok = guardar(corazon(30), carpeta, "corazon_grande.png") && ok;
  ok = guardar(corazon(20), carpeta, "corazon_pequenyo.png") && ok;
  return ok ? 0 : 1;
}
