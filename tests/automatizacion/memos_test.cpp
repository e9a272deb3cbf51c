// The automation object inside the program: its texts in the communications
// window's memos, and its writes on the signal store.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include "AutoKalovetImpl.h"
#include "Kalovet_atl.h"
#include "bstr.h"
#include "estado.h"
#include "mensajes.h"
#include "tcpip.h"
#include "variante.h"

using namespace com;

namespace {

class Memos : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char nombre[] = "memos_test";
    static char* argv[] = {nombre, nullptr};
    static QApplication app(argc, argv);
    iniciar_estado();
    fijar_puerto_escucha(0);  // any free port: the memos do not need 1024
    ChatForm = new TChatForm;
    Kalovet_atl::usar_plataforma_qt();
  }
  Kalovet_tlb::IAutoKalovet* crear() {
    void* p = nullptr;
    EXPECT_EQ(fabrica_AutoKalovet()->CreateInstance(nullptr, Kalovet_tlb::IID_IAutoKalovet, &p), S_OK);
    return static_cast<Kalovet_tlb::IAutoKalovet*>(p);
  }
  static bool muestra(QPlainTextEdit* memo, const QString& texto) {
    return QTest::qWaitFor([&] { return memo->toPlainText() == texto; }, 2000);
  }
};

}  // namespace

TEST_F(Memos, ConsultaStrMuestraLaRespuestaEnTrasmes) {
  auto* a = crear();
  BSTR s = nullptr;
  ASSERT_EQ(a->ConsultaStr(&s), S_OK);
  EXPECT_EQ(ansi_de_bstr(s), componer_estado());
  EXPECT_TRUE(muestra(ChatForm->Memo1, QString::fromStdString(componer_estado())));
  SysFreeString(s);
  a->Release();
}

TEST_F(Memos, EnviaStrMuestraElTextoEnRebutYLoAplica) {
  auto* a = crear();
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = bstr_de("0000000000000001,2.5,-1");
  ASSERT_EQ(a->EnviaStr(v), S_OK);
  VariantClear(&v);
  EXPECT_TRUE(muestra(ChatForm->Memo2, "0000000000000001,2.5,-1"));
  EXPECT_EQ(leer_DO(0), 1);
  EXPECT_EQ(leer_DO(15), 0);
  EXPECT_DOUBLE_EQ(leer_DA(0), 2.5);
  EXPECT_DOUBLE_EQ(leer_DA(1), -1.0);
  // A number is shown and applied as its text.
  v.vt = VT_I4;
  v.lVal = 42;
  ASSERT_EQ(a->EnviaStr(v), S_OK);
  EXPECT_TRUE(muestra(ChatForm->Memo2, "42"));
  EXPECT_DOUBLE_EQ(leer_DA(0), 0.0);
  a->Release();
}
