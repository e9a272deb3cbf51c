// The client library libkalovet.so against the real server window and panel in
// this process (on a free port, reached through KALOVET_HOST), and against
// stand-in servers that never answer or answer nonsense. The library's calls
// block, so they run on a worker thread while the main thread turns the Qt
// event loop that serves them.
#include "kalovet.h"
#include "simulador/mensajes.h"
#include "ventana_prueba.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

namespace {

using namespace red_prueba;
using namespace ventana_prueba;

// Runs f on a worker thread while the event loop turns; returns its result and
// how long it took.
template <class F>
auto en_hilo(F f, double* segundos = nullptr) {
  const auto t0 = Reloj::now();
  auto fut = std::async(std::launch::async, f);
  while (fut.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) un_paso();
  if (segundos) *segundos = std::chrono::duration<double>(Reloj::now() - t0).count();
  return fut.get();
}

void apuntar_a(uint16_t p) { ::setenv("KALOVET_HOST", ("127.0.0.1:" + std::to_string(p)).c_str(), 1); }

// A server that accepts one connection and then answers each chunk with a fixed
// text (or, with an empty text, never answers).
class ServidorFalso {
 public:
  explicit ServidorFalso(std::string respuesta) : respuesta_(std::move(respuesta)) {
    fd_ = escucha_local(&puerto_);
    if (!respuesta_.empty()) hilo_ = std::thread([this] { servir(); });
  }
  ~ServidorFalso() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    if (hilo_.joinable()) hilo_.join();
  }
  uint16_t puerto() const { return puerto_; }

 private:
  void servir() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) return;
    const int c = ::accept(fd_, nullptr, nullptr);
    if (c < 0) return;
    char buf[4096];
    pollfd q{c, POLLIN, 0};
    while (::poll(&q, 1, 10000) > 0 && ::recv(c, buf, sizeof buf, 0) > 0)
      ::send(c, respuesta_.data(), respuesta_.size(), MSG_NOSIGNAL);
    ::close(c);
  }
  std::string respuesta_;
  int fd_;
  uint16_t puerto_;
  std::thread hilo_;
};

class Cliente : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    arrancar([](const ventanas::Caja&) { return ventanas::Respuesta::OK; });
  }
  void SetUp() override {
    senales_iniciales();
    if (!ChatForm->SrvSk->Active()) ChatForm->escuchar();
    apuntar_a(puerto());
    en_hilo([] { return kalovet_usar(); });
  }
  void TearDown() override { kalovet_desconectar(); }
};

TEST_F(Cliente, WriteMessageLandsOnThePanel) {
  EXPECT_EQ(en_hilo([] { return kalovet_usar(); }), 0);
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("0000000000000101,1.250000,-2.000000"); }), 0);
  EXPECT_EQ(DO_del_panel(), "0000000000000101");
  EXPECT_EQ(fprin->lada0->text(), "DA1 =  1.250v");
  EXPECT_EQ(fprin->lada1->text(), "DA2 = -2.000v");
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("1000000000000000,0.000000,0.000000"); }), 0);
  EXPECT_EQ(DO_del_panel(), "1000000000000000");
}

TEST_F(Cliente, ReadReturnsThePanelsInputs) {
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
  QTest::mousePress(fprin->li[3], Qt::LeftButton);
  fprin->bad[1]->setValue(9999);
  fprin->bad[2]->setValue(0);
  const std::string r = en_hilo([] { return std::string(kalovet_rebre()); });
  EXPECT_EQ(r.substr(0, 45), "0001000000000000,0.000000,5.000000,-5.000000,");
  EXPECT_EQ(r, componer_estado());
  EXPECT_EQ(r.size(), 161u);
}

TEST_F(Cliente, ReadRequestThroughEnviarKeepsTheExchangesInStep) {
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("lectura"); }), 0);
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
}

// A long message reaches the simulator in several pieces, each answered "OK";
// the answers the library did not wait for must not spoil the next read.
TEST_F(Cliente, LateAcknowledgementsAreNotTakenForAReply) {
  std::string largo(512 * 1024, '1');
  EXPECT_EQ(en_hilo([&] { return kalovet_enviar(largo.c_str()); }), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), componer_estado());
}

TEST_F(Cliente, LostConnectionIsReopenedOnce) {
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
  ChatForm->escuchar();  // a restart drops every connection
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
  ChatForm->escuchar();
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("0000000000000001,0.000000,0.000000"); }), 0);
  EXPECT_EQ(DO_del_panel(), "0000000000000001");
}

TEST_F(Cliente, SimulatorGoneCallsReturnAtOnce) {
  ChatForm->SrvSk->Close();
  double s = 0;
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("0000000000000001,0.000000,0.000000"); }, &s), KALOVET_ERR_CONEXION);
  EXPECT_LT(s, 1.0);
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }, &s), "");
  EXPECT_LT(s, 1.0);
  EXPECT_EQ(en_hilo([] { return kalovet_usar(); }, &s), KALOVET_ERR_CONEXION);
  EXPECT_EQ(kalovet_desconectar(), 0);
  ChatForm->escuchar();
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
}

TEST_F(Cliente, SimulatorThatNeverAnswersIsWaitedForAtMostTheBound) {
  ServidorFalso mudo("");
  apuntar_a(mudo.puerto());
  kalovet_desconectar();
  double s = 0;
  EXPECT_EQ(en_hilo([] { return kalovet_enviar("0000000000000001,0.000000,0.000000"); }, &s), KALOVET_ERR_ESPERA);
  EXPECT_GE(s, KALOVET_ESPERA_MS / 1000.0 - 0.05);
  EXPECT_LT(s, KALOVET_ESPERA_MS / 1000.0 + 0.5);
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }, &s), "");
  EXPECT_LT(s, KALOVET_ESPERA_MS / 1000.0 + 0.5);
}

TEST_F(Cliente, NonsenseAnswers) {
  {
    ServidorFalso raro("hola");
    apuntar_a(raro.puerto());
    kalovet_desconectar();
    double s = 0;
    EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }, &s), "hola");
    EXPECT_LT(s, 1.0);
    kalovet_desconectar();
  }
  {
    ServidorFalso raro("NO");
    apuntar_a(raro.puerto());
    kalovet_desconectar();
    EXPECT_EQ(en_hilo([] { return kalovet_enviar("0000000000000001,0.000000,0.000000"); }), KALOVET_ERR_RESPUESTA);
    kalovet_desconectar();
  }
}

TEST_F(Cliente, BadArguments) {
  EXPECT_EQ(kalovet_enviar(nullptr), KALOVET_ERR_ARGUMENTO);
  EXPECT_EQ(kalovet_enviar(""), KALOVET_ERR_ARGUMENTO);
  EXPECT_EQ(kalovet_conectar(0, 70000), KALOVET_ERR_ARGUMENTO);
  EXPECT_EQ(kalovet_conectar(0, -1), KALOVET_ERR_ARGUMENTO);
}

TEST_F(Cliente, ConectarTakesAnAddressAndAPort) {
  ::unsetenv("KALOVET_HOST");
  const int32_t p = puerto();
  EXPECT_EQ(en_hilo([p] { return kalovet_conectar(0x7F000001, p); }), 0);
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
  ChatForm->escuchar();  // the reconnection goes to the same destination
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
  const int32_t cerrado = puerto_libre();
  EXPECT_EQ(en_hilo([cerrado] { return kalovet_conectar(0x7F000001, cerrado); }), KALOVET_ERR_CONEXION);
  // kalovet_usar goes back to the usual destination.
  apuntar_a(puerto());
  EXPECT_EQ(en_hilo([] { return kalovet_usar(); }), 0);
  EXPECT_EQ(en_hilo([] { return std::string(kalovet_rebre()); }), respuesta_inicial());
}

}  // namespace
