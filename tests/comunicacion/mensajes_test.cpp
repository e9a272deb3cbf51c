// The state reply and the write message, against the signal store and a
// recording stand-in of the panel's refresh routines.
#include "estado.h"
#include "mensajes.h"
#include "refresco_grabador.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale.h>
#include <string>

namespace {

std::string reply_after_start() {
  std::string s(16, '0');
  for (int i = 0; i < 16; ++i) s += ",0.000000";
  return s;
}

// The digital outputs as the write message orders them: output 15 first.
std::string salidas_DO() {
  std::string s;
  for (int n = 15; n >= 0; --n) s += leer_DO(n) ? '1' : '0';
  return s;
}

// "%f" through printf itself in the C locale, the reference for the reply.
std::string printf_f(double v) {
  locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  locale_t antes = uselocale(c);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%f", v);
  uselocale(antes);
  freelocale(c);
  return buf;
}

class Mensajes : public ::testing::Test {
 protected:
  void SetUp() override {
    iniciar_estado();
    refrescos_llamados().clear();
  }
};

TEST_F(Mensajes, ReadRequestIsExactlyLectura) {
  EXPECT_TRUE(es_peticion_lectura("lectura"));
  for (const char* t : {"lectura\r\n", "lectura\n", "LECTURA", " lectura", "lectur", "", "lecturaa"})
    EXPECT_FALSE(es_peticion_lectura(t)) << t;
  EXPECT_FALSE(es_peticion_lectura(std::string("lectura\0", 8)));
}

TEST_F(Mensajes, ReplyAfterStartIs160Characters) {
  const std::string r = componer_estado();
  EXPECT_EQ(r, reply_after_start());
  EXPECT_EQ(r.size(), 160u);
  EXPECT_TRUE(refrescos_llamados().empty()) << "building a reply refreshes nothing";
}

TEST_F(Mensajes, ReplyListsInputsFromZeroAndChangesNothing) {
  conmutar_DI(0);
  conmutar_DI(15);
  fijar_AD(0, 0);
  fijar_AD(1, 9999);
  fijar_AD(2, 4999);
  fijar_AD(3, 5000);
  const std::string r = componer_estado();
  EXPECT_EQ(r.substr(0, 17), "1000000000000001,");
  EXPECT_EQ(r.substr(16, 47), ",-5.000000,5.000000,-0.000500,0.000500,0.000000");
  EXPECT_EQ(componer_estado(), r);
  EXPECT_EQ(leer_DI(0), 1);
  EXPECT_EQ(leer_DI(1), 0);
  for (int n = 0; n < 16; ++n) EXPECT_EQ(leer_DO(n), 0);
}

TEST_F(Mensajes, ReplyIs176CharactersWithEveryInputAtItsMinimum) {
  for (int n = 0; n < 16; ++n) fijar_AD(n, 0);
  const std::string r = componer_estado();
  EXPECT_EQ(r.size(), 176u);
  EXPECT_EQ(r.substr(r.size() - 10), ",-5.000000");
}

// The reply writes numbers with std::to_chars; every value the store can hold
// (one per scroll-bar position) must come out exactly as "%f" writes it.
TEST_F(Mensajes, NumbersAreWrittenExactlyAsPercentF) {
  for (int pos = 0; pos <= 9999; ++pos) {
    fijar_AD(7, pos);
    const std::string r = componer_estado();
    const std::string esperado = printf_f(leer_AD(7));
    ASSERT_NE(r.find("," + esperado + ","), std::string::npos) << pos;
  }
}

struct Escritura {
  const char* nombre;
  std::string texto;
  const char* DO;  // outputs 15..0
  double DA0;
  double DA1;
};

class AplicarEscritura : public ::testing::TestWithParam<Escritura> {
 protected:
  void SetUp() override {
    iniciar_estado();
    // Every output starts on and both analog outputs at 7.0, so each row shows
    // that a write message sets all 18 outputs whatever it carries.
    for (int n = 0; n < 16; ++n) fijar_DO(n, 1);
    fijar_DA(0, 7.0);
    fijar_DA(1, 7.0);
    refrescos_llamados().clear();
  }
};

void expect_volts(double real, double esperado) {
  if (std::isnan(esperado))
    EXPECT_TRUE(std::isnan(real)) << real;
  else
    EXPECT_EQ(real, esperado);
}

TEST_P(AplicarEscritura, SetsEveryOutputThenRefreshesOutputs) {
  const Escritura& e = GetParam();
  aplicar_escritura(e.texto);
  EXPECT_EQ(salidas_DO(), e.DO);
  expect_volts(leer_DA(0), e.DA0);
  expect_volts(leer_DA(1), e.DA1);
  EXPECT_EQ(refrescos_llamados(), (std::vector<std::string>{"DO", "DA"}));
  for (int n = 0; n < 16; ++n) EXPECT_TRUE(leer_DO(n) == 0 || leer_DO(n) == 1);
}

const double inf = std::numeric_limits<double>::infinity();
const double nan_ = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Filas, AplicarEscritura,
    ::testing::Values(
        Escritura{"client_message", "0000000000000001,2.500000,-1.000000", "0000000000000001", 2.5, -1.0},
        Escritura{"output15_first", "1000000000000000,0,0", "1000000000000000", 0.0, 0.0},
        Escritura{"second_voltage_missing", "0000000000000000,1.5", "0000000000000000", 1.5, 0.0},
        Escritura{"blank_before_comma", "0000000000000000 ,1,2", "0000000000000000", 0.0, 0.0},
        // letters 15..9 on, the terminating zero puts 8 on, 7..0 are past it: off
        Escritura{"lectura_with_line_end", "lectura\r\n", "1111111100000000", 0.0, 0.0},
        Escritura{"upper_case_lectura", "LECTURA", "1111111100000000", 0.0, 0.0},
        Escritura{"exponents", "0000000000000000,1e1,-2.5E0", "0000000000000000", 10.0, -2.5},
        Escritura{"empty", "", "0000000000000000", 0.0, 0.0},
        Escritura{"white_space_only", " \t\r\n ", "0000000000000000", 0.0, 0.0},
        Escritura{"leading_blanks_skipped", " \t 0000000000000011,1,2", "0000000000000011", 1.0, 2.0},
        Escritura{"blanks_before_voltages", "0000000000000000, +2.5,\n-1", "0000000000000000", 2.5, -1.0},
        Escritura{"field_of_17", "00000000000000001,3,4", "0000000000000000", 0.0, 0.0},
        // the field runs on through the commas: "0101,1,2" then its zero
        Escritura{"short_field", "0101,1,2", "0101111110000000", 0.0, 0.0},
        Escritura{"short_field_then_comma", "01 ,1,2", "0110000000000000", 0.0, 0.0},
        Escritura{"any_character_but_0_is_on", "a0-0 ", "1010100000000000", 0.0, 0.0},
        Escritura{"high_bytes_are_on", "\xff\x80" "00000000000000,1,1", "1100000000000000", 1.0, 1.0},
        Escritura{"first_voltage_not_a_number", "0000000000000000,abc,2", "0000000000000000", 0.0, 0.0},
        Escritura{"second_voltage_not_a_number", "0000000000000000,1.5,xyz", "0000000000000000", 1.5, 0.0},
        Escritura{"number_then_letters", "0000000000000000,100ergs,2", "0000000000000000", 100.0, 0.0},
        Escritura{"inf_and_nan", "0000000000000000,inf,nan", "0000000000000000", inf, nan_},
        Escritura{"overflow", "0000000000000000,1e400,-1e400", "0000000000000000", inf, -inf},
        Escritura{"hexadecimal", "0000000000000000,0x1p3,2", "0000000000000000", 8.0, 2.0},
        Escritura{"not_limited", "0000000000000000,100,-1e30", "0000000000000000", 100.0, -1e30},
        Escritura{"comma_decimal_is_not_read", "0000000000000000,2,5,1", "0000000000000000", 2.0, 5.0},
        // the text is read as a C string: it ends at its first NUL byte
        Escritura{"nul_ends_the_text", std::string("0000000000000001\0,1,2", 21), "0000000000000001", 0.0, 0.0},
        Escritura{"nul_first", std::string("\0" "1111111111111111,1,2", 21), "0000000000000000", 0.0, 0.0},
        // two messages in one chunk are one badly formed message
        Escritura{"two_messages_in_one", "0000000000000001,1,2" "0000000000000010,3,4", "0000000000000001", 1.0, 20000000000000010.0}),
    [](const ::testing::TestParamInfo<Escritura>& i) { return std::string(i.param.nombre); });

TEST_F(Mensajes, LongMessagesAreReadBoundedly) {
  std::string largo(1 << 20, '1');
  aplicar_escritura(largo);
  EXPECT_EQ(salidas_DO(), "1111111111111111");
  EXPECT_EQ(leer_DA(0), 0.0);
  std::string digitos = "0000000000000000,";
  digitos += std::string(1 << 20, '0') + "1.5,2";
  aplicar_escritura(digitos);
  EXPECT_EQ(leer_DA(0), 1.5);
  EXPECT_EQ(leer_DA(1), 2.0);
}

// Qt sets the process locale from LANG. A Spanish locale writes "2,500000" and
// reads "2.5" as 2; the messages must not follow it. The locale is built by the
// test fixture (localedef) into LOCPATH.
TEST_F(Mensajes, CLocaleWhateverTheProcessLocale) {
  ASSERT_NE(std::setlocale(LC_ALL, "es_ES.UTF-8"), nullptr)
      << "the Spanish locale should have been built into LOCPATH=" << (std::getenv("LOCPATH") ? std::getenv("LOCPATH") : "");
  char buf[32];
  std::snprintf(buf, sizeof buf, "%f", 2.5);
  ASSERT_STREQ(buf, "2,500000") << "the locale in force must really use a decimal comma";

  EXPECT_EQ(componer_estado(), reply_after_start());
  fijar_AD(0, 5000);
  EXPECT_EQ(componer_estado().substr(16, 10), ",0.000500,");
  aplicar_escritura("0000000000000001,2.5,-1.25");
  EXPECT_EQ(leer_DA(0), 2.5);
  EXPECT_EQ(leer_DA(1), -1.25);
  aplicar_escritura("0000000000000001,2,5,1");
  EXPECT_EQ(leer_DA(0), 2.0);
  EXPECT_EQ(leer_DA(1), 5.0);
  std::setlocale(LC_ALL, "C");
}

}  // namespace
