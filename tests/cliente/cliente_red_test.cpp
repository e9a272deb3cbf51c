// The client library against a scripted stand-in of the simulator's server (no
// Qt, so it also runs in the sanitizer build): replies that arrive in pieces,
// connections the server drops, a server that stops answering, and the bounds
// of every call.
#include "kalovet.h"
#include "red_prueba.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;

const std::string RESPUESTA = [] {
  std::string s = "1000000000000001";
  for (int i = 0; i < 16; ++i) s += i == 0 ? ",-5.000000" : ",0.000500";
  return s;
}();

// How the stand-in answers.
struct Guion {
  size_t trozo = 0;          // send replies in pieces of this size (0: whole)
  int pausa_ms = 0;          // pause between pieces
  int cerrar_tras = 0;       // close each connection after this many answers (0: never)
  std::atomic<bool> mudo{false};  // never answer
  std::atomic<int> conexiones{0};
  std::atomic<int> mensajes{0};
  std::mutex m;
  std::string ultimo_;
  std::string ultimo() {
    std::lock_guard<std::mutex> l(m);
    return ultimo_;
  }
};

class Servidor {
 public:
  explicit Servidor(Guion& g) : g_(g) {
    fd_ = red_prueba::escucha_local(&puerto_);
    hilo_ = std::thread([this] { servir(); });
    ::setenv("KALOVET_HOST", ("localhost:" + std::to_string(puerto_)).c_str(), 1);
  }
  ~Servidor() {
    fin_ = true;
    hilo_.join();
    ::close(fd_);
    kalovet_desconectar();
  }
  uint16_t puerto() const { return puerto_; }

 private:
  void servir() {
    std::vector<pollfd> fds{{fd_, POLLIN, 0}};
    std::vector<int> respondidas{0};
    char buf[65536];
    while (!fin_) {
      if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
      for (size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & POLLIN)) continue;
        if (i == 0) {
          const int c = ::accept(fd_, nullptr, nullptr);
          int uno = 1;
          ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
          fds.push_back({c, POLLIN, 0});
          respondidas.push_back(0);
          ++g_.conexiones;
          continue;
        }
        const ssize_t r = ::recv(fds[i].fd, buf, sizeof buf, 0);
        if (r <= 0 || g_.mudo.load()) {
          if (r <= 0) {
            ::close(fds[i].fd);
            fds[i].fd = -1;
          }
          continue;
        }
        ++g_.mensajes;
        const std::string texto(buf, static_cast<size_t>(r));
        {
          std::lock_guard<std::mutex> l(g_.m);
          g_.ultimo_ = texto;
        }
        const std::string resp = texto == "lectura" ? RESPUESTA : "OK";
        const size_t t = g_.trozo ? g_.trozo : resp.size();
        for (size_t p = 0; p < resp.size(); p += t) {
          ::send(fds[i].fd, resp.data() + p, std::min(t, resp.size() - p), MSG_NOSIGNAL);
          if (g_.pausa_ms) std::this_thread::sleep_for(std::chrono::milliseconds(g_.pausa_ms));
        }
        if (g_.cerrar_tras && ++respondidas[i] >= g_.cerrar_tras) {
          ::close(fds[i].fd);
          fds[i].fd = -1;
        }
      }
      for (size_t i = 1; i < fds.size(); ++i)
        if (fds[i].fd < 0) {
          fds.erase(fds.begin() + static_cast<long>(i));
          respondidas.erase(respondidas.begin() + static_cast<long>(i));
          --i;
        }
    }
    for (size_t i = 1; i < fds.size(); ++i) ::close(fds[i].fd);
  }
  Guion& g_;
  int fd_;
  uint16_t puerto_;
  std::atomic<bool> fin_{false};
  std::thread hilo_;
};

double segundos_desde(Reloj::time_point t0) { return std::chrono::duration<double>(Reloj::now() - t0).count(); }

TEST(ClienteRed, ReplyInPiecesIsJoinedFromItsStructure) {
  for (size_t trozo : {1u, 7u, 16u, 17u, 100u}) {
    Guion g;
    g.trozo = trozo;
    g.pausa_ms = trozo == 1 ? 0 : 5;
    Servidor s(g);
    ASSERT_EQ(kalovet_usar(), 0);
    EXPECT_EQ(std::string(kalovet_rebre()), RESPUESTA) << trozo;
    EXPECT_EQ(std::string(kalovet_rebre()), RESPUESTA) << trozo;
    EXPECT_EQ(kalovet_enviar("0000000000000001,2.500000,-1.000000"), 0) << trozo;
    EXPECT_EQ(g.ultimo(), "0000000000000001,2.500000,-1.000000");
  }
}

TEST(ClienteRed, DroppedConnectionIsReopenedOnce) {
  Guion g;
  g.cerrar_tras = 1;  // the server drops every connection after one answer
  Servidor s(g);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(std::string(kalovet_rebre()), RESPUESTA) << i;
    EXPECT_EQ(kalovet_enviar("1111111111111111,0.000000,0.000000"), 0) << i;
  }
  EXPECT_EQ(g.mensajes.load(), 10);
  EXPECT_EQ(g.conexiones.load(), 10);
}

TEST(ClienteRed, SilentServerBoundsEveryCall) {
  Guion g;
  g.mudo = true;
  Servidor s(g);
  auto t0 = Reloj::now();
  EXPECT_EQ(kalovet_enviar("0000000000000001,0.000000,0.000000"), KALOVET_ERR_ESPERA);
  EXPECT_LT(segundos_desde(t0), KALOVET_ESPERA_MS / 1000.0 + 0.5);
  t0 = Reloj::now();
  EXPECT_STREQ(kalovet_rebre(), "");
  EXPECT_LT(segundos_desde(t0), KALOVET_ESPERA_MS / 1000.0 + 0.5);
  // Once the server answers again, the answers are in step.
  g.mudo = false;
  EXPECT_EQ(std::string(kalovet_rebre()), RESPUESTA);
  EXPECT_EQ(kalovet_enviar("0000000000000001,0.000000,0.000000"), 0);
}

TEST(ClienteRed, NoServerAtAll) {
  ::setenv("KALOVET_HOST", "127.0.0.1:1", 1);  // nothing listens on port 1
  kalovet_desconectar();
  const auto t0 = Reloj::now();
  EXPECT_EQ(kalovet_usar(), KALOVET_ERR_CONEXION);
  EXPECT_EQ(kalovet_enviar("0000000000000001,0.000000,0.000000"), KALOVET_ERR_CONEXION);
  EXPECT_STREQ(kalovet_rebre(), "");
  EXPECT_EQ(kalovet_desconectar(), 0);
  EXPECT_LT(segundos_desde(t0), 1.0);
  ::setenv("KALOVET_HOST", "no-such-host.invalid:1024", 1);
  EXPECT_EQ(kalovet_usar(), KALOVET_ERR_CONEXION);
  ::unsetenv("KALOVET_HOST");
}

}  // namespace
