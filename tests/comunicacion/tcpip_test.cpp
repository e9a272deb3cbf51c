// The communications window and its TCP server, in process with the real main
// panel on the offscreen platform, driven by plain TCP clients (on a free port
// given to the window, so that the test does not depend on port 1024):
// replies, memo and status texts, the panel's lamps, labels and background,
// several clients, a reset, the menu item, and bad input.
#include "simulador/mensajes.h"
#include "ventana_prueba.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>

#include <vector>

namespace {

using namespace red_prueba;
using namespace ventana_prueba;
using ventanas::Caja;
using ventanas::Respuesta;

std::vector<Caja> cajas;  // every message box shown, answered OK

std::string DO_etiquetas() {
  std::string s;
  for (int n = 15; n >= 0; --n) s += fprin->lao[n]->text().toStdString();
  return s;
}

std::string memo(QPlainTextEdit* m) { return m->toPlainText().toLatin1().toStdString(); }

// A memo takes its new text within a few tens of milliseconds.
::testing::AssertionResult memo_muestra(QPlainTextEdit* m, const std::string& esperado) {
  if (esperar_que([&] { return memo(m) == esperado; }, 2000)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "memo shows \"" << memo(m) << "\", expected \"" << esperado << "\"";
}

// Lets the memos take any text still pending.
void memos_al_dia() {
  esperar_que([] { return false; }, 60);
}

class ServidorTCP : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    arrancar([](const Caja& c) {
      cajas.push_back(c);
      return Respuesta::OK;
    });
  }

  // Each test starts from the state after start-up with a freshly listening
  // server.
  void SetUp() override {
    senales_iniciales();
    ChatForm->escuchar();
    cajas.clear();
    QCoreApplication::processEvents();
  }

  static Cliente conectado() {
    const int antes = ChatForm->SrvSk->ActiveConnections();
    Cliente c;
    EXPECT_TRUE(c.conectar());
    EXPECT_TRUE(esperar_que([&] { return ChatForm->SrvSk->ActiveConnections() == antes + 1; }));
    EXPECT_TRUE(ChatForm->estado().startsWith("Conectat a: "));
    return c;
  }
};

TEST_F(ServidorTCP, WindowAtStartUp) {
  EXPECT_EQ(ChatForm->windowTitle(), "Comunicacions kalovet");
  EXPECT_FALSE(ChatForm->isVisible());
  EXPECT_EQ(ChatForm->size(), QSize(263, 134));
  EXPECT_EQ(ChatForm->minimumSize(), ChatForm->maximumSize()) << "fixed size";
  const auto f = ChatForm->windowFlags();
  EXPECT_FALSE(f & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(f & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(f & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(ChatForm->Label2->text(), "Trasmes");
  EXPECT_EQ(ChatForm->Label1->text(), "Rebut");
  EXPECT_EQ(ChatForm->Label2->pos(), QPoint(4, 4));
  EXPECT_EQ(ChatForm->Memo1->geometry(), QRect(0, 16, 263, 41));
  EXPECT_EQ(ChatForm->Memo2->geometry(), QRect(0, 73, 263, 41));
  EXPECT_TRUE(ChatForm->Memo1->isReadOnly());
  EXPECT_TRUE(ChatForm->Memo2->isReadOnly());
  EXPECT_EQ(ChatForm->estado(), "Escoltant...");
  EXPECT_EQ(fprin->color(), ventanas::clBtnFace);
  EXPECT_TRUE(ChatForm->SrvSk->Active());
  EXPECT_EQ(ChatForm->SrvSk->Port, puerto());
}

TEST_F(ServidorTCP, MemosStartWithTheirDesignTexts) {
  // Fresh window: the server of the previous one must be gone first.
  delete ChatForm;
  ChatForm = new TChatForm;
  EXPECT_EQ(memo(ChatForm->Memo1), "<<<<");
  EXPECT_EQ(memo(ChatForm->Memo2), ">>>");
  // A write message before any read request leaves "Trasmes" as it was.
  Cliente c = conectado();
  EXPECT_EQ(c.pedir("0000000000000001,2.5,-1", 2), "OK");
  EXPECT_TRUE(memo_muestra(ChatForm->Memo2, "0000000000000001,2.5,-1"));
  EXPECT_EQ(memo(ChatForm->Memo1), "<<<<");
}

TEST_F(ServidorTCP, ConnectReadAndWrite) {
  Cliente c;
  ASSERT_TRUE(c.conectar());
  ASSERT_TRUE(esperar_que([] { return ChatForm->estado() == "Conectat a: 127.0.0.1"; }));
  EXPECT_EQ(fprin->color(), ventanas::clWhite);

  const std::string r = c.lectura();
  EXPECT_EQ(r, respuesta_inicial());
  EXPECT_EQ(r.size(), 160u);
  EXPECT_TRUE(memo_muestra(ChatForm->Memo1, r));
  EXPECT_TRUE(memo_muestra(ChatForm->Memo2, "lectura"));

  EXPECT_EQ(c.pedir("0000000000000001,2.5,-1", 2), "OK");
  EXPECT_EQ(DO_del_panel(), "0000000000000001");
  EXPECT_EQ(DO_etiquetas(), "0000000000000001");
  EXPECT_EQ(fprin->lada0->text(), "DA1 =  2.500v");
  EXPECT_EQ(fprin->lada1->text(), "DA2 = -1.000v");
  EXPECT_TRUE(memo_muestra(ChatForm->Memo2, "0000000000000001,2.5,-1"));
  EXPECT_EQ(memo(ChatForm->Memo1), r) << "a write message leaves the last reply in Trasmes";
  EXPECT_EQ(leer_DA(0), 2.5);

  // The answer arrives bare: nothing follows it.
  EXPECT_EQ(c.recibir_hasta_silencio(100), "");
}

TEST_F(ServidorTCP, ReadReturnsWhatThePanelSet) {
  Cliente c = conectado();
  QTest::mousePress(fprin->li[0], Qt::LeftButton);
  QTest::mousePress(fprin->li[15], Qt::RightButton);
  fprin->bad[0]->setValue(0);
  fprin->bad[1]->setValue(9999);
  const std::string r = c.lectura();
  EXPECT_EQ(r.substr(0, 36), "1000000000000001,-5.000000,5.000000,");
  EXPECT_EQ(r, componer_estado());
  QTest::mousePress(fprin->li[15], Qt::LeftButton);
  EXPECT_EQ(c.lectura().substr(0, 17), "1000000000000000,");
}

struct Escrito {
  const char* nombre;
  std::string texto;
  const char* respuesta;
  const char* DO;  // panel lamps lo15..lo0
  const char* DA1;
  const char* DA2;
  std::string memo = {};  // what "Rebut" shows, when not the text itself
};

class MensajesMalFormados : public ServidorTCP, public ::testing::WithParamInterface<Escrito> {};

// Each text is answered as one message; the panel shows what it did; the
// server goes on answering on the same connection.
TEST_P(MensajesMalFormados, AnsweredAndApplied) {
  const Escrito& e = GetParam();
  for (int n = 0; n < 16; ++n) fijar_DO(n, 1);
  mostrar_DO();
  Cliente c = conectado();
  EXPECT_EQ(c.pedir(e.texto, std::string_view(e.respuesta).size()), e.respuesta);
  EXPECT_EQ(DO_del_panel(), e.DO);
  EXPECT_EQ(fprin->lada0->text().toStdString(), e.DA1);
  EXPECT_EQ(fprin->lada1->text().toStdString(), e.DA2);
  EXPECT_TRUE(memo_muestra(ChatForm->Memo2, e.memo.empty() ? e.texto : e.memo));
  EXPECT_EQ(c.recibir_hasta_silencio(100), "");
  EXPECT_EQ(c.lectura(), respuesta_inicial());
}

INSTANTIATE_TEST_SUITE_P(
    Filas, MensajesMalFormados,
    ::testing::Values(
        // the memo shows the line end as a line break
        Escrito{"lectura_with_line_end", "lectura\r\n", "OK", "1111111100000000", "DA1 =  0.000v", "DA2 =  0.000v",
                "lectura\n"},
        Escrito{"lectura_with_newline", "lectura\n", "OK", "1111111100000000", "DA1 =  0.000v", "DA2 =  0.000v"},
        Escrito{"upper_case", "LECTURA", "OK", "1111111100000000", "DA1 =  0.000v", "DA2 =  0.000v"},
        Escrito{"second_voltage_missing", "0000000000000000,1.5", "OK", "0000000000000000", "DA1 =  1.500v",
                "DA2 =  0.000v"},
        Escrito{"blank_before_comma", "0000000000000000 ,1,2", "OK", "0000000000000000", "DA1 =  0.000v",
                "DA2 =  0.000v"},
        Escrito{"exponents", "0000000000000000,1e1,-2.5E0", "OK", "0000000000000000", "DA1 = 10.000v",
                "DA2 = -2.500v"},
        Escrito{"inf_and_nan", "0000000000000000,inf,nan", "OK", "0000000000000000", "DA1 =    infv", "DA2 =    nanv"},
        Escrito{"overflow_1e400", "0000000000000000,1e400,-1e400", "OK", "0000000000000000", "DA1 =    infv",
                "DA2 =   -infv"},
        Escrito{"hexadecimal_0x1p3", "0000000000000000,0x1p3,2", "OK", "0000000000000000", "DA1 =  8.000v",
                "DA2 =  2.000v"},
        Escrito{"binary_bytes", "\x01\xff\x80\x7f\x1b[0m\x02", "OK", "1111110111000000", "DA1 =  0.000v",
                "DA2 =  0.000v"},
        Escrito{"nul_bytes", std::string("0000000000000011\0,1,2", 21), "OK", "0000000000000011", "DA1 =  0.000v",
                "DA2 =  0.000v"},
        Escrito{"only_nul_bytes", std::string(8, '\0'), "OK", "0000000000000000", "DA1 =  0.000v", "DA2 =  0.000v"},
        Escrito{"two_messages_in_one_chunk", "0000000000000001,1,2" "0000000000000010,3,4", "OK", "0000000000000001",
                "DA1 =  1.000v", "DA2 = 20000000000000008.000v"}),
    [](const ::testing::TestParamInfo<Escrito>& i) { return std::string(i.param.nombre); });

TEST_F(ServidorTCP, ReadRequestAndWriteInOneChunkIsOneBadWrite) {
  Cliente c = conectado();
  EXPECT_EQ(c.pedir("lectura0000000000000001,1,2", 2), "OK");
  EXPECT_TRUE(memo_muestra(ChatForm->Memo2, "lectura0000000000000001,1,2"));
  EXPECT_EQ(c.lectura(), respuesta_inicial());
}

TEST_F(ServidorTCP, OneMebibyteMessage) {
  const int fd0 = descriptores();
  const long rss0 = memoria_kib();
  Cliente c = conectado();
  std::string grande(1 << 20, '1');
  ASSERT_TRUE(c.enviar(grande));
  // Each chunk the server read is one message, answered "OK".
  const std::string r = c.recibir_hasta_silencio(300, 20000);
  ASSERT_FALSE(r.empty());
  ASSERT_EQ(r.size() % 2, 0u);
  for (size_t i = 0; i < r.size(); i += 2) ASSERT_EQ(r.substr(i, 2), "OK") << i;
  EXPECT_EQ(DO_del_panel(), "1111111111111111");
  // "Rebut" shows at most the first 16 KiB of the last chunk read.
  memos_al_dia();
  const std::string m = memo(ChatForm->Memo2);
  EXPECT_FALSE(m.empty());
  EXPECT_LE(m.size(), 16384u);
  EXPECT_EQ(m.find_first_not_of('1'), std::string::npos);
  EXPECT_EQ(c.lectura(), componer_estado());
  c.cerrar();
  ASSERT_TRUE(esperar_que([] { return ChatForm->estado() == "Desconectat"; }));
  EXPECT_EQ(descriptores(), fd0);
  EXPECT_LT(memoria_kib() - rss0, 64 * 1024) << "KiB";
}

TEST_F(ServidorTCP, TwoClientsOneLeaves) {
  Cliente a = conectado();
  Cliente b = conectado();
  EXPECT_EQ(fprin->color(), ventanas::clWhite);
  a.cerrar();
  ASSERT_TRUE(esperar_que([] { return ChatForm->estado() == "Desconectat"; }));
  EXPECT_EQ(fprin->color(), ventanas::clBtnFace) << "the lamp shows the latest event only";
  EXPECT_EQ(b.lectura(), respuesta_inicial());
  EXPECT_EQ(b.pedir("1000000000000000,3,4", 2), "OK");
  EXPECT_EQ(DO_del_panel(), "1000000000000000");
  EXPECT_EQ(fprin->lada1->text(), "DA2 =  4.000v");
  EXPECT_TRUE(cajas.empty());
}

TEST_F(ServidorTCP, ResetShowsErrorAndRestartsDroppingEveryConnection) {
  Cliente a = conectado();
  Cliente b = conectado();
  ASSERT_EQ(ChatForm->SrvSk->ActiveConnections(), 2);
  QString estado_en_la_caja;
  int conexiones_en_la_caja = -1;
  ventanas::responder_mensajes([&](const Caja& c) {
    cajas.push_back(c);
    estado_en_la_caja = ChatForm->estado();
    conexiones_en_la_caja = ChatForm->SrvSk->ActiveConnections();
    return Respuesta::OK;
  });
  a.resetear();
  ASSERT_TRUE(esperar_que([] { return !cajas.empty(); }));
  ventanas::responder_mensajes([](const Caja& c) {
    cajas.push_back(c);
    return Respuesta::OK;
  });
  ASSERT_EQ(cajas.size(), 1u);
  EXPECT_EQ(cajas[0].texto, "Error de socket: 10054");
  // The box comes first, the restart after it.
  EXPECT_EQ(conexiones_en_la_caja, 1) << "b was still connected while the box was up";
  EXPECT_NE(estado_en_la_caja, "Escoltant...");
  EXPECT_TRUE(esperar_que([] { return ChatForm->estado() == "Escoltant..."; }));
  EXPECT_EQ(fprin->color(), ventanas::clBtnFace);
  EXPECT_TRUE(b.cerrado_por_el_otro()) << "the restart drops every connection";
  EXPECT_EQ(ChatForm->SrvSk->ActiveConnections(), 0);
  Cliente c = conectado();
  EXPECT_EQ(c.lectura(), respuesta_inicial());
  EXPECT_EQ(fprin->color(), ventanas::clWhite);
}

TEST_F(ServidorTCP, MenuShowsAndHidesTheWindow) {
  ASSERT_FALSE(ChatForm->isVisible());
  fprin->Ventanadecontrol1->trigger();
  EXPECT_TRUE(ChatForm->isVisible());
  EXPECT_TRUE(fprin->Ventanadecontrol1->isChecked());
  // Whether it is shown makes no difference to the server.
  Cliente c = conectado();
  EXPECT_EQ(c.lectura(), respuesta_inicial());
  fprin->Ventanadecontrol1->trigger();
  EXPECT_FALSE(ChatForm->isVisible());
  EXPECT_FALSE(fprin->Ventanadecontrol1->isChecked());
}

TEST_F(ServidorTCP, PortTakenShowsErrorAndThePanelGoesOn) {
  ChatForm->SrvSk->Close();
  // a listener of another program on the port
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int uno = 1;  // past connections of the server may linger in TIME_WAIT
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &uno, sizeof uno);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(puerto());
  const bool ocupado = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 4) == 0;
  fprin->poner_color(ventanas::clWhite);
  ChatForm->poner_estado("antes");
  ChatForm->escuchar();
  const bool activo = ChatForm->SrvSk->Active();
  ::close(fd);
  ASSERT_TRUE(ocupado);

  ASSERT_EQ(cajas.size(), 1u);
  EXPECT_EQ(cajas[0].texto.rfind("Error de socket: 10048", 0), 0u) << cajas[0].texto;
  EXPECT_NE(cajas[0].texto.find(std::to_string(puerto())), std::string::npos);
  EXPECT_FALSE(activo);
  EXPECT_EQ(ChatForm->estado(), "antes") << "the rest of escuchar is skipped";
  EXPECT_EQ(fprin->color(), ventanas::clWhite);
  // The panel still works.
  QTest::mousePress(fprin->li[2], Qt::LeftButton);
  EXPECT_EQ(fprin->lai[2]->text(), "1");
  EXPECT_EQ(leer_DI(2), 1);
}

TEST_F(ServidorTCP, TwoHundredClientsAtOnce) {
  const int fd0 = descriptores();
  const long rss0 = memoria_kib();
  std::vector<Cliente> clientes(200);
  for (auto& c : clientes) {
    ASSERT_TRUE(c.conectar());
    un_paso();
  }
  ASSERT_TRUE(esperar_que([] { return ChatForm->SrvSk->ActiveConnections() == 200; }, 10000))
      << ChatForm->SrvSk->ActiveConnections();
  for (size_t i = 0; i < clientes.size(); ++i) ASSERT_TRUE(clientes[i].enviar("lectura"));
  for (auto& c : clientes) ASSERT_EQ(c.recibir(160), respuesta_inicial());
  for (size_t i = 0; i < clientes.size(); ++i)
    ASSERT_EQ(clientes[i].pedir(i % 2 ? "0000000000000001,1,1" : "0000000000000010,2,2", 2), "OK");
  for (auto& c : clientes) c.cerrar();
  ASSERT_TRUE(esperar_que([] { return ChatForm->SrvSk->ActiveConnections() == 0; }, 10000));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(descriptores(), fd0);
  EXPECT_LT(memoria_kib() - rss0, 32 * 1024) << "KiB";
  EXPECT_TRUE(cajas.empty());
}

TEST_F(ServidorTCP, TwoThousandConnectAndCloseCycles) {
  {  // warm up once so that lazily made things are counted in the baseline
    Cliente c = conectado();
    EXPECT_EQ(c.lectura(), respuesta_inicial());
  }
  ASSERT_TRUE(esperar_que([] { return ChatForm->SrvSk->ActiveConnections() == 0; }));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const int fd0 = descriptores();
  const long rss0 = memoria_kib();
  for (int i = 0; i < 2000; ++i) {
    Cliente c;
    ASSERT_TRUE(c.conectar()) << i;
    if (i % 2 == 0) {
      ASSERT_EQ(c.lectura(), respuesta_inicial()) << i;
    }
    c.cerrar();
    if (i % 100 == 99) QCoreApplication::processEvents();
  }
  ASSERT_TRUE(esperar_que([] { return ChatForm->SrvSk->ActiveConnections() == 0; }, 10000));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(ChatForm->estado(), "Desconectat");
  EXPECT_EQ(descriptores(), fd0);
  EXPECT_LT(memoria_kib() - rss0, 8 * 1024) << "KiB";
  EXPECT_TRUE(cajas.empty());
  Cliente c = conectado();
  EXPECT_EQ(c.lectura(), respuesta_inicial());
}

}  // namespace
