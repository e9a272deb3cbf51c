// A virtual X screen for tests that run the real programs: its own Xvfb on a
// display the server picks itself, windows found and buttons clicked with
// xdotool (real pointer events through the XTEST extension), pictures of a
// window taken with ImageMagick's import. Every wait is bounded.
#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

class Escritorio {
 public:
  Escritorio() = default;
  ~Escritorio();
  Escritorio(const Escritorio&) = delete;
  Escritorio& operator=(const Escritorio&) = delete;

  // Starts the X server; false (with the reason on standard error) if it
  // could not within 10 s.
  bool arrancar();
  // The environment for a program on this screen: DISPLAY set, the xcb
  // platform, the virtual card.
  QProcessEnvironment entorno() const;
  // The id of the visible window whose title matches the pattern, waiting up
  // to ms milliseconds; empty if none appeared.
  QString ventana(const QString& patron, int ms) const;
  // A left click at (x, y) inside the window's client area.
  bool pulsar(const QString& ventana, int x, int y) const;
  // A picture of the window; null if it could not be taken.
  QImage imagen(const QString& ventana) const;
  QString display() const { return display_; }

 private:
  bool herramienta(const QStringList& argumentos, QByteArray* salida = nullptr, int ms = 10000) const;
  QProcess xvfb_;
  QString display_;
};

// The test program's application object (created at the first call).
void aplicacion_de_prueba();

// Starts a client program (deposito, testkalovet) on the screen with its
// card-or-simulator question answered "Si" and, unless host is empty, its
// client library pointed at host ("127.0.0.1:port"). The id of its window
// (title matching patron, waiting up to 20 s); empty on failure.
QString arrancar_cliente(QProcess& programa, const QString& ruta, const Escritorio& escritorio, const QString& patron,
                         const QString& host = {});

// Runs the event loop until cond() holds or ms milliseconds pass; cond()'s
// last value.
template <typename F>
bool esperar_hasta(F cond, int ms);

#include <QCoreApplication>
#include <QElapsedTimer>

template <typename F>
bool esperar_hasta(F cond, int ms) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > ms) return cond();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}
