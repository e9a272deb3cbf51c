// A test plant behind the simulator's TCP protocol: a server that answers
// "lectura" with a state reply and any other message, taken as a write
// message, with "OK". The tank's level rises while the pump (DO 1) runs and
// falls while the valve (DO 0) is open; its temperature rises while the
// heater (DO 2) is on and falls slowly towards 20 °C while it is off. Each
// write message is one controller tick and advances the plant by half a
// second with the outputs it carries.
#pragma once

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <string>
#include <vector>

class PlantaPrueba : public QObject {
  Q_OBJECT

 public:
  // Per tick, in level units and degrees.
  static constexpr double kEntradaBomba = 60;
  static constexpr double kSalidaValvula = 30;
  static constexpr double kCalor = 0.5;
  static constexpr double kEnfriamiento = 0.2;

  struct Escritura {
    std::string mensaje;
    int lecturas_antes;  // read exchanges since the previous write
    double nivel, temperatura;  // what those reads reported
    qint64 ms;  // when it came, since the server started
  };

  explicit PlantaPrueba(double nivel, double temperatura);
  quint16 puerto() const { return servidor_.serverPort(); }

  double nivel = 0, temperatura = 0;
  int entradas_DI = 0;  // bit 1: overflow switch, bit 0: overheat switch
  int bomba = 0, calentador = 0, valvula = 0;
  std::vector<Escritura> escrituras;
  int lecturas = 0;

 private:
  std::string estado() const;
  void aplicar(const std::string& mensaje);
  QTcpServer servidor_;
  qint64 inicio_ = 0;
};
