// Request-reply exchanges per second over loopback with the simulator's panel
// live (offscreen), against a minimal reference server that answers the same
// bytes with no GUI and against a libmodbus TCP server answering the
// equivalent read (16 discrete inputs and 16 input registers). Then a flood of
// write messages from 4 clients for 5 s while a timer on the panel's event
// loop measures how late it fires.
//
// The window, its server and the panel run on the main thread as in kalovet;
// the clients are threads of this process with blocking sockets. The server
// listens on a free port (not 1024), so the benchmark runs beside a simulator.
//
//   bench_comunicacion [seconds per measurement, default 2]
#include "estado.h"
#include "fp.h"
#include "propa.h"
#include "red_prueba.h"
#include "refresco.h"
#include "simulador/mensajes.h"
#include "simulador/tcpip.h"
#include "ventanas/cajas.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <modbus/modbus.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;
double segundos_medida = 2.0;

using red_prueba::escucha_local;
using red_prueba::puerto_libre;

int conectar(uint16_t puerto) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(puerto);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  int uno = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
  return fd;
}

// One exchange: send the message, read until the answer of known length came.
bool intercambio(int fd, const std::string& m, size_t largo) {
  if (::send(fd, m.data(), m.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(m.size())) return false;
  char buf[512];
  size_t n = 0;
  while (n < largo) {
    ssize_t r = ::recv(fd, buf + n, sizeof buf - n, 0);
    if (r <= 0) return false;
    n += static_cast<size_t>(r);
  }
  return true;
}

struct Resultado {
  double por_segundo = 0;
  double mediana_us = 0;
  double p99_us = 0;
};

// n client threads, each doing exchanges for segundos_medida; the first
// client's round trips give the median.
template <class Abrir, class Cambio, class Cerrar>
Resultado medir(int n, Abrir abrir, Cambio cambio, Cerrar cerrar) {
  std::atomic<long> total{0};
  std::vector<double> tiempos;
  std::vector<std::thread> hilos;
  std::atomic<int> listos{0};
  std::atomic<bool> salida{false};
  for (int i = 0; i < n; ++i) {
    hilos.emplace_back([&, i] {
      auto c = abrir();
      listos++;
      while (!salida.load()) std::this_thread::yield();
      const auto fin = Reloj::now() + std::chrono::duration<double>(segundos_medida);
      long k = 0;
      std::vector<double> mios;
      if (i == 0) mios.reserve(200000);
      for (;;) {
        const auto t0 = Reloj::now();
        if (t0 >= fin) break;
        if (!cambio(c, k)) {
          std::fprintf(stderr, "exchange failed\n");
          std::exit(1);
        }
        ++k;
        if (i == 0) mios.push_back(std::chrono::duration<double, std::micro>(Reloj::now() - t0).count());
      }
      total += k;
      if (i == 0) tiempos = std::move(mios);
      cerrar(c);
    });
  }
  while (listos.load() < n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  salida = true;
  for (auto& h : hilos) h.join();
  Resultado r;
  r.por_segundo = total / segundos_medida;
  if (!tiempos.empty()) {
    std::sort(tiempos.begin(), tiempos.end());
    r.mediana_us = tiempos[tiempos.size() / 2];
    r.p99_us = tiempos[tiempos.size() * 99 / 100];
  }
  return r;
}

const std::string LECTURA = "lectura";
const std::string ESCRITURAS[2] = {"0000000000000101,1.250000,-2.000000", "1010000000000000,-3.500000,4.000000"};

// What the clients send: "lectura"; one write message again and again (the
// panel's refresh runs, nothing on it changes); or two write messages in turn
// (every write turns 4 output lamps and moves both gauges, so the panel
// repaints between two exchanges).
enum class Tipo { lectura, escritura_igual, escritura_alterna };
const char* nombre(Tipo t) {
  return t == Tipo::lectura ? "lectura" : t == Tipo::escritura_igual ? "write=" : "write<>";
}

Resultado medir_texto(uint16_t puerto, int n, Tipo tipo) {
  return medir(
      n, [&] { return conectar(puerto); },
      [&](int fd, long k) {
        switch (tipo) {
          case Tipo::lectura: return intercambio(fd, LECTURA, 160);
          case Tipo::escritura_igual: return intercambio(fd, ESCRITURAS[0], 2);
          case Tipo::escritura_alterna: return intercambio(fd, ESCRITURAS[k & 1], 2);
        }
        return false;
      },
      [](int fd) { ::close(fd); });
}

// ---- (c) the minimal reference server: epoll, one thread, same bytes -------

class Referencia {
 public:
  Referencia() {
    escucha_ = escucha_local(&puerto_, 128);
    respuesta_ = std::string(16, '0');
    for (int i = 0; i < 16; ++i) respuesta_ += ",0.000000";
    hilo_ = std::thread([this] { servir(); });
  }
  ~Referencia() {
    fin_ = true;
    ::shutdown(escucha_, SHUT_RDWR);
    hilo_.join();
    ::close(escucha_);
  }
  uint16_t puerto() const { return puerto_; }

 private:
  void servir() {
    const int ep = ::epoll_create1(0);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = escucha_;
    ::epoll_ctl(ep, EPOLL_CTL_ADD, escucha_, &e);
    epoll_event ev[64];
    char buf[65536];
    while (!fin_) {
      const int n = ::epoll_wait(ep, ev, 64, 100);
      for (int i = 0; i < n; ++i) {
        const int fd = ev[i].data.fd;
        if (fd == escucha_) {
          const int c = ::accept(escucha_, nullptr, nullptr);
          if (c < 0) continue;
          int uno = 1;
          ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
          epoll_event ec{};
          ec.events = EPOLLIN;
          ec.data.fd = c;
          ::epoll_ctl(ep, EPOLL_CTL_ADD, c, &ec);
          continue;
        }
        const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0) {
          ::epoll_ctl(ep, EPOLL_CTL_DEL, fd, nullptr);
          ::close(fd);
          continue;
        }
        if (r == 7 && std::memcmp(buf, "lectura", 7) == 0)
          ::send(fd, respuesta_.data(), respuesta_.size(), MSG_NOSIGNAL);
        else
          ::send(fd, "OK", 2, MSG_NOSIGNAL);
      }
    }
    ::close(ep);
  }
  uint16_t puerto_;
  int escucha_;
  std::string respuesta_;
  std::atomic<bool> fin_{false};
  std::thread hilo_;
};

// ---- (d) a libmodbus TCP server, many clients, select loop ----------------

class ServidorModbus {
 public:
  ServidorModbus() {
    puerto_ = puerto_libre();
    ctx_ = modbus_new_tcp("127.0.0.1", puerto_);
    mapa_ = modbus_mapping_new(0, 16, 0, 16);
    escucha_ = modbus_tcp_listen(ctx_, 64);
    hilo_ = std::thread([this] { servir(); });
  }
  ~ServidorModbus() {
    fin_ = true;
    hilo_.join();
    ::close(escucha_);
    modbus_mapping_free(mapa_);
    modbus_free(ctx_);
  }
  uint16_t puerto() const { return puerto_; }

 private:
  void servir() {
    fd_set todos;
    FD_ZERO(&todos);
    FD_SET(escucha_, &todos);
    int maximo = escucha_;
    uint8_t pedido[MODBUS_TCP_MAX_ADU_LENGTH];
    while (!fin_) {
      fd_set listos = todos;
      timeval t{0, 100000};
      if (::select(maximo + 1, &listos, nullptr, nullptr, &t) <= 0) continue;
      for (int fd = 0; fd <= maximo; ++fd) {
        if (!FD_ISSET(fd, &listos)) continue;
        if (fd == escucha_) {
          const int c = ::accept(escucha_, nullptr, nullptr);
          if (c >= 0) {
            FD_SET(c, &todos);
            maximo = std::max(maximo, c);
          }
          continue;
        }
        modbus_set_socket(ctx_, fd);
        const int r = modbus_receive(ctx_, pedido);
        if (r > 0) {
          modbus_reply(ctx_, pedido, r, mapa_);
        } else if (r == -1) {
          ::close(fd);
          FD_CLR(fd, &todos);
        }
      }
    }
  }
  uint16_t puerto_;
  modbus_t* ctx_;
  modbus_mapping_t* mapa_;
  int escucha_;
  std::atomic<bool> fin_{false};
  std::thread hilo_;
};

// One equivalent read: 16 discrete inputs, then 16 input registers.
Resultado medir_modbus(uint16_t puerto, int n) {
  return medir(
      n,
      [&] {
        modbus_t* m = modbus_new_tcp("127.0.0.1", puerto);
        if (modbus_connect(m) != 0) {
          std::fprintf(stderr, "modbus_connect: %s\n", modbus_strerror(errno));
          std::exit(1);
        }
        return m;
      },
      [](modbus_t* m, long) {
        uint8_t bits[16];
        uint16_t regs[16];
        return modbus_read_input_bits(m, 0, 16, bits) == 16 && modbus_read_input_registers(m, 0, 16, regs) == 16;
      },
      [](modbus_t* m) {
        modbus_close(m);
        modbus_free(m);
      });
}

// ---- the flood --------------------------------------------------------------

struct Inundacion {
  long mensajes = 0;
  double retraso_max_ms = 0;
  double retraso_p99_ms = 0;
  bool panel_al_dia = false;
  std::string ultimo;
};

std::string lamparas_DO() {
  std::string s;
  for (int n = 15; n >= 0; --n) s += fprin->lo[n]->brocha() == ventanas::clRed ? '1' : '0';
  return s;
}

void volver_al_bucle(std::function<void()> f) {
  std::mutex m;
  std::condition_variable cv;
  bool hecho = false;
  QMetaObject::invokeMethod(qApp, [&] {
    f();
    std::lock_guard<std::mutex> l(m);
    hecho = true;
    cv.notify_one();
  }, Qt::QueuedConnection);
  std::unique_lock<std::mutex> l(m);
  cv.wait(l, [&] { return hecho; });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) segundos_medida = std::atof(argv[1]);
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ventanas::responder_mensajes([](const ventanas::Caja& c) {
    std::fprintf(stderr, "[caja] %s\n", c.texto.c_str());
    return ventanas::Respuesta::OK;
  });
  QApplication app(argc, argv);
  iniciar_estado();
  const uint16_t puerto = puerto_libre();
  fijar_puerto_escucha(puerto);
  fprin = new Tfprin;
  ChatForm = new TChatForm;
  Propaganda = new TPropaganda;
  fprin->show();  // the splash's second, then the panel with every signal drawn

  // The event loop's timer: every 10 ms; its lateness is recorded.
  std::mutex retrasos_m;
  std::vector<double> retrasos;
  bool midiendo = false;
  QElapsedTimer reloj;
  reloj.start();
  qint64 previsto = 0;
  QTimer tic;
  tic.setTimerType(Qt::PreciseTimer);
  tic.setInterval(10);
  QObject::connect(&tic, &QTimer::timeout, [&] {
    const qint64 ahora = reloj.nsecsElapsed();
    if (midiendo) {
      std::lock_guard<std::mutex> l(retrasos_m);
      retrasos.push_back(std::max<qint64>(0, ahora - previsto) / 1e6);
    }
    previsto = ahora + 10'000'000;
  });

  std::thread orquesta([&] {
    std::printf("kalovet exchanges over loopback, %.1f s per measurement, panel live (offscreen)\n\n",
                segundos_medida);
    Referencia ref;
    ServidorModbus mb;
    struct Fila {
      const char* que;
      int n;
      Resultado k, r;
    };
    std::vector<Fila> filas;
    for (Tipo t : {Tipo::lectura, Tipo::escritura_igual, Tipo::escritura_alterna})
      for (int n : {1, 8}) filas.push_back({nombre(t), n, medir_texto(puerto, n, t), medir_texto(ref.puerto(), n, t)});
    const Resultado m1 = medir_modbus(mb.puerto(), 1);
    const Resultado m8 = medir_modbus(mb.puerto(), 8);

    std::printf("%-8s %7s %12s %10s %8s %12s %10s %8s %7s\n", "message", "clients", "kalovet/s", "median_us",
                "p99_us", "reference/s", "median_us", "p99_us", "ratio");
    for (const auto& f : filas)
      std::printf("%-8s %7d %12.0f %10.1f %8.1f %12.0f %10.1f %8.1f %7.2f\n", f.que, f.n, f.k.por_segundo,
                  f.k.mediana_us, f.k.p99_us, f.r.por_segundo, f.r.mediana_us, f.r.p99_us,
                  f.k.por_segundo / f.r.por_segundo);
    std::printf("(write= repeats one write message; write<> alternates two, changing 4 lamps and both gauges)\n");
    std::printf("\nlibmodbus equivalent read (read input bits 16 + read input registers 16):\n");
    std::printf("%7s %22s %12s %22s\n", "clients", "equivalent reads/s", "median_us", "kalovet lectura / modbus");
    std::printf("%7d %22.0f %12.1f %22.2f\n", 1, m1.por_segundo, m1.mediana_us, filas[0].k.por_segundo / m1.por_segundo);
    std::printf("%7d %22.0f %12.1f %22.2f\n", 8, m8.por_segundo, m8.mediana_us, filas[1].k.por_segundo / m8.por_segundo);
    std::printf("(libmodbus transactions/s: %.0f with 1 client, %.0f with 8)\n", 2 * m1.por_segundo,
                2 * m8.por_segundo);

    // Where a write's time goes: the message functions on the panel's thread,
    // with and without the panel's refresh of the outputs it triggers.
    volver_al_bucle([&] {
      const int N = 5000;
      QElapsedTimer t;
      t.start();
      for (int i = 0; i < N; ++i) (void)componer_estado();
      const double c_us = t.nsecsElapsed() / 1e3 / N;
      t.restart();
      for (int i = 0; i < N; ++i) aplicar_escritura(ESCRITURAS[i & 1]);
      const double a_us = t.nsecsElapsed() / 1e3 / N;
      t.restart();
      for (int i = 0; i < N; ++i) (void)leer_escritura(ESCRITURAS[i & 1]);
      const double l_us = t.nsecsElapsed() / 1e3 / N;
      // After a write the event loop paints what the write changed (and runs
      // what the painting queued); a complete repaint of the window is the
      // cost of showing it again from nothing.
      const int M = 2000;
      t.restart();
      for (int i = 0; i < M; ++i) {
        aplicar_escritura(ESCRITURAS[i & 1]);
        QCoreApplication::sendPostedEvents();
      }
      const double p_us = t.nsecsElapsed() / 1e3 / M - a_us;
      const int R = 200;
      t.restart();
      for (int i = 0; i < R; ++i) fprin->repaint();
      const double r_us = t.nsecsElapsed() / 1e3 / R;
      std::printf("\non the panel's thread: componer_estado %.2f us; aplicar_escritura %.2f us "
                  "(of which the scan %.2f us, the rest the panel's mostrar_DO and mostrar_DA); "
                  "repainting what a changing write changed %.0f us; a complete repaint of the window %.0f us\n",
                  c_us, a_us, l_us, p_us, r_us);
    });

    // Flood: 4 clients write as fast as they can for 5 s.
    volver_al_bucle([&] {
      previsto = reloj.nsecsElapsed() + 10'000'000;
      midiendo = true;
    });
    std::atomic<long> enviados{0};
    std::vector<std::thread> hilos;
    const auto fin = Reloj::now() + std::chrono::seconds(5);
    for (int i = 0; i < 4; ++i)
      hilos.emplace_back([&, i] {
        const int fd = conectar(puerto);
        long k = 0;
        char m[64];
        while (Reloj::now() < fin) {
          const unsigned bits = static_cast<unsigned>((k * 4 + i) & 0xFFFF);
          std::string b;
          for (int p = 15; p >= 0; --p) b += (bits >> p) & 1 ? '1' : '0';
          std::snprintf(m, sizeof m, "%s,%d.%06d,-%d.500000", b.c_str(), i, static_cast<int>(k % 1000000),
                        static_cast<int>(k % 10));
          if (!intercambio(fd, m, 2)) std::exit(1);
          ++k;
        }
        enviados += k;
        ::close(fd);
      });
    for (auto& h : hilos) h.join();
    Inundacion r;
    r.mensajes = enviados;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the memos take their last text
    volver_al_bucle([&] {
      midiendo = false;
      const std::string ultimo = ChatForm->Memo2->toPlainText().toStdString();
      const escritura_leida e = leer_escritura(ultimo);
      char da1[64];
      std::snprintf(da1, sizeof da1, "DA1 = %6.3fv", e.voltios[0]);
      r.ultimo = ultimo;
      r.panel_al_dia = lamparas_DO() == std::string(e.campo, 16) && fprin->lada0->text().toStdString() == da1;
    });
    {
      std::lock_guard<std::mutex> l(retrasos_m);
      std::sort(retrasos.begin(), retrasos.end());
      if (!retrasos.empty()) {
        r.retraso_max_ms = retrasos.back();
        r.retraso_p99_ms = retrasos[retrasos.size() * 99 / 100];
      }
    }
    std::printf("\nflood: 4 clients, 5 s, %ld write messages (%.0f/s); 10 ms timer on the panel's loop: "
                "%zu ticks, lateness p99 %.2f ms, max %.2f ms\n",
                r.mensajes, r.mensajes / 5.0, retrasos.size(), r.retraso_p99_ms, r.retraso_max_ms);
    std::printf("last message \"%s\": panel shows its outputs: %s\n", r.ultimo.c_str(), r.panel_al_dia ? "yes" : "NO");
    std::fflush(stdout);
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  QTimer::singleShot(0, [&] { tic.start(); });
  app.exec();
  orquesta.join();
  return 0;
}
