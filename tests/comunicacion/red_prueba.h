// Helpers of the communication tests: a plain POSIX TCP client that can keep a
// Qt event loop turning while it waits (for a server in the same process), and
// the descriptor and memory figures of a process.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace red_prueba {

using Reloj = std::chrono::steady_clock;

// Called while a helper waits: a test with the server in its own process
// turns the Qt event loop here; otherwise it sleeps briefly.
inline std::function<void()>& bombear() {
  static std::function<void()> f;
  return f;
}

inline void un_paso() {
  if (bombear())
    bombear()();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Waits until cond() holds, at most ms milliseconds. Returns cond().
template <class F>
bool esperar_que(F cond, int ms = 3000) {
  const auto fin = Reloj::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (Reloj::now() > fin) return cond();
    un_paso();
  }
  return true;
}

// The port the tests' clients use: 1024, or the free port that an in-process
// test gave its server.
inline uint16_t& puerto() {
  static uint16_t p = 1024;
  return p;
}

// A listening socket on a loopback port the kernel picks; *puerto gets it.
inline int escucha_local(uint16_t* puerto, int cola = 8) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t l = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &l);
  *puerto = ntohs(a.sin_port);
  ::listen(fd, cola);
  return fd;
}

// A TCP port that is free now.
inline uint16_t puerto_libre() {
  uint16_t p = 0;
  ::close(escucha_local(&p));
  return p;
}

class Cliente {
 public:
  Cliente() = default;
  Cliente(const Cliente&) = delete;
  Cliente& operator=(const Cliente&) = delete;
  Cliente(Cliente&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  ~Cliente() { cerrar(); }

  bool conectar(uint16_t puerto = red_prueba::puerto(), const char* host = "127.0.0.1") {
    cerrar();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(puerto);
    ::inet_pton(AF_INET, host, &a.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      cerrar();
      return false;
    }
    int uno = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &uno, sizeof uno);
    return true;
  }
  bool abierto() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  bool enviar(std::string_view t) {
    size_t hecho = 0;
    const auto fin = Reloj::now() + std::chrono::seconds(10);
    while (hecho < t.size()) {
      ssize_t r = ::send(fd_, t.data() + hecho, t.size() - hecho, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (r > 0) {
        hecho += static_cast<size_t>(r);
      } else if (r < 0 && (errno == EAGAIN || errno == EINTR)) {
        if (Reloj::now() > fin) return false;
        un_paso();
      } else {
        return false;
      }
    }
    return true;
  }

  // Reads until n bytes have come, the peer closed, or ms passed.
  std::string recibir(size_t n, int ms = 3000) {
    std::string s;
    esperar_que([&] { return leer_lo_que_haya(s) || s.size() >= n; }, ms);
    return s;
  }

  // Reads until nothing has come for quieto ms (at most total ms).
  std::string recibir_hasta_silencio(int quieto = 200, int total = 10000) {
    std::string s;
    const auto fin = Reloj::now() + std::chrono::milliseconds(total);
    auto ultimo = Reloj::now();
    while (Reloj::now() < fin && Reloj::now() - ultimo < std::chrono::milliseconds(quieto)) {
      const size_t antes = s.size();
      if (leer_lo_que_haya(s)) break;
      if (s.size() != antes)
        ultimo = Reloj::now();
      else
        un_paso();
    }
    return s;
  }

  // Sends t and returns the answer of expected length n.
  std::string pedir(std::string_view t, size_t n) {
    if (!enviar(t)) return "<send failed>";
    return recibir(n);
  }
  std::string lectura() { return pedir("lectura", 160); }

  // True once the server has closed or reset the connection (within ms).
  bool cerrado_por_el_otro(int ms = 3000) {
    std::string basura;
    return esperar_que([&] { return leer_lo_que_haya(basura); }, ms);
  }

  void cerrar() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes with a reset (RST) instead of an orderly close.
  void resetear() {
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    cerrar();
  }

 private:
  // Appends what is there without waiting. True when the connection ended.
  bool leer_lo_que_haya(std::string& s) {
    char buf[65536];
    for (;;) {
      ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (r > 0) {
        s.append(buf, static_cast<size_t>(r));
        continue;
      }
      if (r == 0) return true;
      if (errno == EINTR) continue;
      return errno != EAGAIN && errno != EWOULDBLOCK;
    }
  }

  int fd_ = -1;
};

// Open descriptors of a process ("self" or a pid).
inline int descriptores(const std::string& pid = "self") {
  int n = 0;
  if (DIR* d = ::opendir(("/proc/" + pid + "/fd").c_str())) {
    while (dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ++n;
    ::closedir(d);
  }
  return n;
}

// Resident memory of a process in KiB (VmRSS).
inline long memoria_kib(const std::string& pid = "self") {
  std::ifstream f("/proc/" + pid + "/status");
  std::string linea;
  while (std::getline(f, linea))
    if (linea.rfind("VmRSS:", 0) == 0) return std::stol(linea.substr(6));
  return -1;
}

inline std::string respuesta_inicial() {
  std::string s(16, '0');
  for (int i = 0; i < 16; ++i) s += ",0.000000";
  return s;
}

}  // namespace red_prueba
