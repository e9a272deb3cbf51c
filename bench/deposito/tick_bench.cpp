// Time of one deposito tick in simulator mode: four read exchanges and one
// write exchange through libkalovet.so to the real simulator kalovet, plus
// the conversions and control rules (the picture is not drawn). Reports the
// median and 99th percentile over 1,000 ticks, and as a reference measured in
// the same run, one bare read exchange (kalovet_rebre).
//
//   TARJETA7240=virtual <build>/bench/deposito/deposito_tick [KALOVET]
//
// (The program carries the card library, which needs the card's driver or
// the virtual card before main runs.) Starts the simulator (offscreen) from
// the path given, by default the one of this build, unless one already
// listens on port 1024.
#include "acceso.h"
#include "planta.h"
#include "plataforma_acceso.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

acceso::Respuesta si(const char*, const char*) { return acceso::Respuesta::Si; }

bool escucha() {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", 1024);
  return s.waitForConnected(300);
}

struct Cifras {
  double mediana, p99, media;
};

template <typename F>
Cifras medir(int veces, F f) {
  std::vector<double> us;
  us.reserve(veces);
  for (int i = 0; i < veces; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  double suma = 0;
  for (double v : us) suma += v;
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[(us.size() * 99) / 100], suma / us.size()};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QProcess kalovet;
  if (!escucha()) {
    const QString ruta = argc > 1 ? argv[1] : KALOVET;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    kalovet.setProcessEnvironment(e);
    kalovet.start(ruta, {});
    for (int i = 0; i < 100 && !escucha(); ++i) QThread::msleep(100);
    if (!escucha()) {
      std::fprintf(stderr, "the simulator %s does not listen on port 1024\n", qPrintable(ruta));
      return 1;
    }
    std::printf("simulator: %s (started here, offscreen)\n", qPrintable(ruta));
  } else {
    std::printf("simulator: the one already listening on port 1024\n");
  }

  acceso::fijar_plataforma({si, nullptr, nullptr});
  iniciar_planta();  // "Yes": loads libkalovet.so, connects
  using FnRebre = const char* (*)();
  auto rebre = reinterpret_cast<FnRebre>(dlsym(dlopen("libkalovet.so", RTLD_NOW | RTLD_NOLOAD), "kalovet_rebre"));
  if (!rebre) {
    std::fprintf(stderr, "libkalovet.so is not loaded\n");
    return 1;
  }
  constexpr int kTicks = 1000;
  medir(100, ciclo_control);  // warm-up
  const Cifras lectura = medir(kTicks, [&] { rebre(); });
  const Cifras tick = medir(kTicks, ciclo_control);
  parar_planta();

  std::printf("one read exchange (reference): median %.1f us, p99 %.1f us\n", lectura.mediana, lectura.p99);
  std::printf("one tick (4 reads + 1 write):  median %.1f us, p99 %.1f us, mean %.1f us over %d ticks\n",
              tick.mediana, tick.p99, tick.media, kTicks);
  std::printf("tick / read exchange: median %.2f, p99 %.2f\n", tick.mediana / lectura.mediana,
              tick.p99 / lectura.p99);
  std::printf("goal: median under 500 us (%s), p99 under 2000 us (%s)\n", tick.mediana < 500 ? "met" : "NOT met",
              tick.p99 < 2000 ? "met" : "NOT met");
  if (kalovet.state() != QProcess::NotRunning) {
    kalovet.terminate();
    if (!kalovet.waitForFinished(3000)) kalovet.kill();
    kalovet.waitForFinished(3000);
  }
  return 0;
}
