#include "simulador_real.h"

#include <QTcpSocket>

namespace {

bool conecta(quint16 puerto) {
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, puerto);
  const bool ok = s.waitForConnected(500);
  s.abort();
  return ok;
}

bool es(QColor c, int r, int g, int b) { return c.red() == r && c.green() == g && c.blue() == b; }

}  // namespace

bool puerto_libre(quint16 puerto, int ms) {
  return esperar_hasta([&] { return !conecta(puerto); }, ms);
}

bool puerto_escuchando(quint16 puerto, int ms) {
  return esperar_hasta([&] { return conecta(puerto); }, ms);
}

QString arrancar_kalovet(QProcess& kalovet, const QString& ruta, const Escritorio& escritorio) {
  if (!puerto_libre(1024, 120000)) return {};  // another simulator still running
  kalovet.setProcessEnvironment(escritorio.entorno());
  kalovet.setProcessChannelMode(QProcess::ForwardedChannels);
  kalovet.start(ruta, {});
  if (!kalovet.waitForStarted(5000)) return {};
  const QString ventana = escritorio.ventana("^Kalovet v", 20000);
  if (ventana.isEmpty() || !puerto_escuchando(1024, 20000)) return {};
  return ventana;
}

std::array<int, 16> lamparas_salida(const QImage& panel) {
  std::array<int, 16> r;
  r.fill(-1);
  int fila = -1;
  for (int y = panel.height() - 1; y >= 0 && fila < 0; --y) {
    bool todas = true;
    for (int n = 0; n < 16 && todas; ++n) {
      const int x = 266 - 16 * n;
      if (x >= panel.width()) return r;
      const QColor c = panel.pixelColor(x, y);
      todas = es(c, 255, 0, 0) || es(c, 0, 255, 0);
    }
    if (todas) fila = y;
  }
  if (fila < 0) return r;
  // Read a few pixels above the row's lowest line: the middle of the lamps.
  const int y = fila - 4;
  for (int n = 0; n < 16; ++n) {
    const QColor c = panel.pixelColor(266 - 16 * n, y);
    r[n] = es(c, 255, 0, 0) ? 1 : es(c, 0, 255, 0) ? 0 : -1;
  }
  return r;
}

Intermediario::Intermediario() {
  servidor_.listen(QHostAddress::LocalHost, 0);
  connect(&servidor_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* cliente = servidor_.nextPendingConnection()) {
      auto* simulador = new QTcpSocket(cliente);
      simulador->connectToHost(QHostAddress::LocalHost, 1024);
      connect(cliente, &QTcpSocket::disconnected, cliente, &QObject::deleteLater);
      connect(cliente, &QTcpSocket::readyRead, this, [this, cliente, simulador] {
        const QByteArray m = cliente->readAll();
        mensajes.push_back(m.toStdString());
        if (simulador->state() != QAbstractSocket::ConnectedState) simulador->waitForConnected(2000);
        simulador->write(m);
      });
      connect(simulador, &QTcpSocket::readyRead, cliente, [cliente, simulador] { cliente->write(simulador->readAll()); });
    }
  });
}

void terminar(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.terminate();
  if (!p.waitForFinished(3000)) {
    p.kill();
    p.waitForFinished(3000);
  }
}
