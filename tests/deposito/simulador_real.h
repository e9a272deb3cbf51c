// Helpers for tests against the real simulator kalovet on a virtual screen:
// starting it on port 1024, reading its digital output lamps from a picture of
// its panel, and a counting relay between a client and its TCP server.
#pragma once

#include "escritorio.h"

#include <QImage>
#include <QObject>
#include <QProcess>
#include <QTcpServer>

#include <array>
#include <string>
#include <vector>

// True once nothing listens on 127.0.0.1:puerto (waiting up to ms).
bool puerto_libre(quint16 puerto, int ms);
// True once something listens on 127.0.0.1:puerto (waiting up to ms).
bool puerto_escuchando(quint16 puerto, int ms);

// Starts kalovet (path) on the screen and waits until its panel shows and its
// server listens on port 1024; the panel's window id, empty on failure.
QString arrancar_kalovet(QProcess& kalovet, const QString& ruta, const Escritorio& escritorio);

// The 16 digital output lamps of the panel picture, output 0 first: 1 red
// (on), 0 lime (off), -1 if the lamp row was not found. The row is found as
// the lowest line of the picture where all 16 lamp centres (x = 266 − 16·n
// inside the client area) are red or lime; the input lamps lie above it.
std::array<int, 16> lamparas_salida(const QImage& panel);

// A relay on a free local port to the simulator at 127.0.0.1:1024 that
// records each message a client sends: "lectura" or the write message.
class Intermediario : public QObject {
  Q_OBJECT

 public:
  Intermediario();
  quint16 puerto() const { return servidor_.serverPort(); }
  std::vector<std::string> mensajes;

 private:
  QTcpServer servidor_;
};

// Ends a program started by a test: SIGTERM, then SIGKILL after 3 s.
void terminar(QProcess& p);
