// The real program kalovet on the offscreen platform, reached on port 1024 by
// plain TCP clients and by the client library: the reply after start-up, a
// reset with its error box (answered through KALOVET_RESPUESTAS and read from
// standard error), bad input with descriptor and memory checks, port 1024
// taken, and a stopped or vanished simulator seen from the library.
#include "kalovet.h"
#include "red_prueba.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace red_prueba;

bool puerto_1024_libre() {
  Cliente c;
  return !c.conectar(1024);
}

// kalovet started as a child process; its standard error goes to a file.
class Simulador {
 public:
  explicit Simulador(int cajas_OK = 20) {
    static int veces = 0;
    errores_ = ::testing::TempDir() + "kalovet_stderr_" + std::to_string(::getpid()) + "_" +
               std::to_string(++veces) + ".txt";
    std::string respuestas;
    for (int i = 0; i < cajas_OK; ++i) respuestas += i ? ",OK" : "OK";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::setenv("KALOVET_RESPUESTAS", respuestas.c_str(), 1);
      const int fd = ::open(errores_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, 2);
      ::execl(KALOVET_PROGRAMA, KALOVET_PROGRAMA, static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~Simulador() {
    parar();
    ::unlink(errores_.c_str());
  }

  // Waits until the program answers on port 1024.
  bool en_marcha() {
    return esperar_que(
        [this] {
          Cliente c;
          return vivo() && c.conectar(1024) && c.lectura().size() == 160;
        },
        15000);
  }
  bool vivo() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
  std::string pid() const { return std::to_string(pid_); }
  void senal(int s) { ::kill(pid_, s); }
  void parar() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string errores() const {
    std::ifstream f(errores_);  // NOLINT: read while the program writes it
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  pid_t pid_ = -1;
  std::string errores_;
};

class Programa : public ::testing::Test {
 protected:
  void SetUp() override {
    puerto() = 1024;
    ASSERT_TRUE(esperar_que(puerto_1024_libre, 5000)) << "another program holds port 1024";
  }
};

TEST_F(Programa, ReplyAfterStartUpIs160Characters) {
  Simulador k;
  ASSERT_TRUE(k.en_marcha()) << k.errores();
  Cliente c;
  ASSERT_TRUE(c.conectar());
  const std::string r = c.lectura();
  EXPECT_EQ(r, respuesta_inicial());
  EXPECT_EQ(r.size(), 160u);
  EXPECT_EQ(c.pedir("0000000000000001,2.5,-1", 2), "OK");
  EXPECT_EQ(c.lectura(), respuesta_inicial()) << "outputs are not inputs";
}

TEST_F(Programa, ResetShowsTheErrorAndRestartsTheServer) {
  Simulador k;
  ASSERT_TRUE(k.en_marcha()) << k.errores();
  Cliente a, b;
  ASSERT_TRUE(a.conectar());
  ASSERT_TRUE(b.conectar());
  ASSERT_EQ(b.lectura(), respuesta_inicial());
  a.resetear();
  EXPECT_TRUE(b.cerrado_por_el_otro(5000)) << "the restart drops every connection";
  EXPECT_NE(k.errores().find("[caja] kalovet | Error de socket: 10054 -> OK"), std::string::npos) << k.errores();
  Cliente c;
  ASSERT_TRUE(c.conectar());
  EXPECT_EQ(c.lectura(), respuesta_inicial());
  EXPECT_TRUE(k.vivo());
}

// Every kind of bad input, then many connections: the server keeps answering,
// keeps no descriptor and its memory stays where it was.
TEST_F(Programa, BadInputLeavesNoTrace) {
  Simulador k(0);
  ASSERT_TRUE(k.en_marcha()) << k.errores();
  const std::vector<std::string> malos = {
      std::string(1 << 20, '7'), std::string("\x01\xff\x80\x7f\x1b[0m\x02", 9), std::string("00\0\0\0" "01,1,2", 11),
      "lectura\r\n", "lectura\n", "0000000000000001,1,20000000000000010,3,4", "lectura0000000000000001,1,2",
      "0000000000000000,inf,nan", "0000000000000000,1e400,-1e400", "0000000000000000,0x1p3,2", "", " "};
  auto ronda = [&] {
    Cliente c;
    ASSERT_TRUE(c.conectar());
    for (const auto& m : malos) {
      if (m.empty()) continue;  // TCP carries no empty message
      ASSERT_TRUE(c.enviar(m));
      std::string r = c.recibir(2, 10000);
      r += c.recibir_hasta_silencio(300, 20000);
      ASSERT_FALSE(r.empty()) << m.substr(0, 40);
      for (size_t i = 0; i < r.size(); i += 2) ASSERT_EQ(r.substr(i, 2), "OK") << m.substr(0, 40);
      ASSERT_EQ(c.lectura(), respuesta_inicial());
    }
  };
  auto muchos = [&] {
    std::vector<Cliente> clientes(200);
    for (auto& c : clientes) ASSERT_TRUE(c.conectar());
    for (auto& c : clientes) ASSERT_TRUE(c.enviar("lectura"));
    for (auto& c : clientes) ASSERT_EQ(c.recibir(160, 10000), respuesta_inicial());
    for (auto& c : clientes) c.cerrar();
    for (int i = 0; i < 2000; ++i) {
      Cliente c;
      ASSERT_TRUE(c.conectar()) << i;
      if (i % 4 == 0) {
        ASSERT_EQ(c.lectura(), respuesta_inicial()) << i;
      }
    }
  };
  ronda();  // warm up: whatever the program makes once is in the baseline
  muchos();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int fd0 = descriptores(k.pid());
  const long rss0 = memoria_kib(k.pid());
  for (int i = 0; i < 3; ++i) ronda();
  muchos();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Cliente c;
  ASSERT_TRUE(c.conectar());
  EXPECT_EQ(c.lectura(), respuesta_inicial());
  c.cerrar();
  EXPECT_TRUE(esperar_que([&] { return descriptores(k.pid()) == fd0; }, 3000))
      << descriptores(k.pid()) << " descriptors, " << fd0 << " before";
  const long rss1 = memoria_kib(k.pid());
  EXPECT_LT(rss1 - rss0, 16 * 1024) << "VmRSS " << rss0 << " KiB before, " << rss1 << " KiB after";
  EXPECT_EQ(k.errores().find("[caja]"), std::string::npos) << k.errores();
  EXPECT_TRUE(k.vivo());
}

TEST_F(Programa, PortTakenShowsAnErrorAndTheProgramGoesOn) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int uno = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &uno, sizeof uno);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(1024);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  Simulador k;
  EXPECT_TRUE(esperar_que([&] { return k.errores().find("[caja]") != std::string::npos; }, 10000));
  const std::string e = k.errores();
  EXPECT_NE(e.find("[caja] kalovet | Error de socket: 10048"), std::string::npos) << e;
  EXPECT_NE(e.find("1024"), std::string::npos) << e;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_TRUE(k.vivo()) << "the simulator goes on without its TCP server";
  ::close(fd);
}

// The client library against the real program: the usual destination, a
// stopped simulator (SIGSTOP) bounded by the library's wait, a continued one
// that answers again, and a vanished one.
TEST_F(Programa, LibraryCallsAreBoundedWhenTheSimulatorStops) {
  ::unsetenv("KALOVET_HOST");
  Simulador k;
  ASSERT_TRUE(k.en_marcha()) << k.errores();
  ASSERT_EQ(kalovet_usar(), 0);
  EXPECT_EQ(std::string(kalovet_rebre()), respuesta_inicial());
  EXPECT_EQ(kalovet_enviar("0000000000000011,1.000000,2.000000"), 0);

  k.senal(SIGSTOP);
  auto t0 = Reloj::now();
  EXPECT_EQ(kalovet_enviar("0000000000000001,0.000000,0.000000"), KALOVET_ERR_ESPERA);
  double s = std::chrono::duration<double>(Reloj::now() - t0).count();
  EXPECT_LT(s, KALOVET_ESPERA_MS / 1000.0 + 0.5);
  t0 = Reloj::now();
  EXPECT_EQ(std::string(kalovet_rebre()), "");
  s = std::chrono::duration<double>(Reloj::now() - t0).count();
  EXPECT_LT(s, KALOVET_ESPERA_MS / 1000.0 + 0.5);

  k.senal(SIGCONT);
  // The late answers of the stopped time never pass for the next one.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::string(kalovet_rebre()), respuesta_inicial());

  k.parar();
  t0 = Reloj::now();
  EXPECT_EQ(kalovet_enviar("0000000000000001,0.000000,0.000000"), KALOVET_ERR_CONEXION);
  EXPECT_EQ(std::string(kalovet_rebre()), "");
  EXPECT_EQ(kalovet_usar(), KALOVET_ERR_CONEXION);
  EXPECT_LT(std::chrono::duration<double>(Reloj::now() - t0).count(), 1.0);
  EXPECT_EQ(kalovet_desconectar(), 0);
}

}  // namespace
