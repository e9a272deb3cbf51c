#include "escritorio.h"

#include <QDir>
#include <QTemporaryFile>

#include <cstdio>

Escritorio::~Escritorio() {
  if (xvfb_.state() != QProcess::NotRunning) {
    xvfb_.terminate();
    if (!xvfb_.waitForFinished(3000)) {
      xvfb_.kill();
      xvfb_.waitForFinished(3000);
    }
  }
}

bool Escritorio::arrancar() {
  // -displayfd: the server takes the first free display and writes its number.
  xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  if (!xvfb_.waitForStarted(5000)) {
    std::fprintf(stderr, "Xvfb did not start: %s\n", qPrintable(xvfb_.errorString()));
    return false;
  }
  QByteArray numero;
  QElapsedTimer t;
  t.start();
  while (!numero.contains('\n') && t.elapsed() < 10000) {
    if (!xvfb_.waitForReadyRead(500) && xvfb_.state() == QProcess::NotRunning) break;
    numero += xvfb_.readAllStandardOutput();
  }
  if (!numero.contains('\n')) {
    std::fprintf(stderr, "Xvfb gave no display number: %s\n", xvfb_.readAllStandardError().constData());
    return false;
  }
  display_ = ":" + QString::fromLatin1(numero.trimmed());
  return true;
}

QProcessEnvironment Escritorio::entorno() const {
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("DISPLAY", display_);
  e.insert("QT_QPA_PLATFORM", "xcb");
  e.insert("TARJETA7240", "virtual");
  return e;
}

bool Escritorio::herramienta(const QStringList& argumentos, QByteArray* salida, int ms) const {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("DISPLAY", display_);
  p.setProcessEnvironment(e);
  p.start(argumentos.front(), argumentos.mid(1));
  if (!p.waitForFinished(ms)) {
    p.kill();
    p.waitForFinished(1000);
    return false;
  }
  if (salida) *salida = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString Escritorio::ventana(const QString& patron, int ms) const {
  QElapsedTimer t;
  t.start();
  do {
    QByteArray salida;
    if (herramienta({"xdotool", "search", "--onlyvisible", "--name", patron}, &salida, 5000)) {
      const QList<QByteArray> ids = salida.trimmed().split('\n');
      if (!ids.isEmpty() && !ids.front().isEmpty()) return QString::fromLatin1(ids.front());
    }
    esperar_hasta([] { return false; }, 100);
  } while (t.elapsed() < ms);
  return {};
}

bool Escritorio::pulsar(const QString& ventana, int x, int y) const {
  return herramienta({"xdotool", "mousemove", "--sync", "--window", ventana, QString::number(x), QString::number(y),
                      "click", "1"});
}

QImage Escritorio::imagen(const QString& ventana) const {
  QTemporaryFile archivo(QDir::tempPath() + "/escritorio_XXXXXX.png");
  if (!archivo.open()) return {};
  archivo.close();
  if (!herramienta({"import", "-display", display_, "-window", ventana, archivo.fileName()}, nullptr, 20000)) return {};
  return QImage(archivo.fileName());
}

void aplicacion_de_prueba() {
  static int argc = 1;
  static char nombre[] = "prueba";
  static char* argv[] = {nombre, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

QString arrancar_cliente(QProcess& programa, const QString& ruta, const Escritorio& escritorio, const QString& patron,
                         const QString& host) {
  QProcessEnvironment e = escritorio.entorno();
  e.insert("KALOVET_RESPUESTAS", "Si");
  if (!host.isEmpty()) e.insert("KALOVET_HOST", host);
  programa.setProcessEnvironment(e);
  programa.setProcessChannelMode(QProcess::ForwardedChannels);
  programa.start(ruta, {});
  if (!programa.waitForStarted(5000)) return {};
  return escritorio.ventana(patron, 20000);
}
