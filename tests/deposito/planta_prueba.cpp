#include "planta_prueba.h"

#include <QDateTime>
#include <QTcpSocket>

#include <algorithm>
#include <cstdio>

PlantaPrueba::PlantaPrueba(double n, double t) : nivel(n), temperatura(t) {
  inicio_ = QDateTime::currentMSecsSinceEpoch();
  servidor_.listen(QHostAddress::LocalHost, 0);
  connect(&servidor_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* s = servidor_.nextPendingConnection()) {
      connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QTcpSocket::readyRead, this, [this, s] {
        // One message per received chunk, as the simulator reads them.
        const std::string m = s->readAll().toStdString();
        if (m == "lectura") {
          ++lecturas;
          s->write(QByteArray::fromStdString(estado()));
        } else {
          aplicar(m);
          s->write("OK");
        }
      });
    }
  });
}

std::string PlantaPrueba::estado() const {
  std::string r;
  for (int k = 0; k < 16; ++k) r += (entradas_DI >> k & 1) ? '1' : '0';
  const double ad[2] = {temperatura / 10 - 5, nivel / 800 - 5};
  for (int k = 0; k < 16; ++k) {
    char v[64];
    std::snprintf(v, sizeof v, ",%f", k < 2 ? ad[k] : 0.0);
    r += v;
  }
  return r;
}

void PlantaPrueba::aplicar(const std::string& m) {
  escrituras.push_back({m, lecturas, nivel, temperatura, QDateTime::currentMSecsSinceEpoch() - inicio_});
  lecturas = 0;
  // Output 15 first: the last three characters are outputs 2, 1, 0.
  if (m.size() >= 16) {
    calentador = m[13] != '0';
    bomba = m[14] != '0';
    valvula = m[15] != '0';
  }
  nivel = std::max(0.0, nivel + (bomba ? kEntradaBomba : 0) - (valvula ? kSalidaValvula : 0));
  temperatura = calentador ? temperatura + kCalor : std::max(20.0, temperatura - kEnfriamiento);
}
