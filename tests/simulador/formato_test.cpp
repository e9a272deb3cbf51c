// Numbers on the panel use a point in every locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>

#include "formato.h"

namespace {

TEST(FormatoC, PuntoDecimalAunqueElLocaleUseComa) {
  // The test locale is built into LOCPATH by the fixture; without it this
  // test would prove nothing, so it fails.
  ASSERT_NE(std::setlocale(LC_ALL, "es_ES.UTF-8"), nullptr) << "es_ES.UTF-8 locale not available";
  char coma[16];
  std::snprintf(coma, sizeof coma, "%6.3f", 0.5);
  ASSERT_STREQ(coma, " 0,500") << "the locale does not use a decimal comma";

  EXPECT_EQ(formato_c("%6.3f", 0.0), " 0.000");
  EXPECT_EQ(formato_c("%6.3f", -5.0), "-5.000");
  EXPECT_EQ(formato_c("%6.3f", 4.998999899989999), " 4.999");
  EXPECT_EQ(formato_c("%6.3f", 0.0005000500050004997), " 0.001");
  EXPECT_EQ(formato_c("DA1 = %6.3fv", 2.5), "DA1 =  2.500v");
  EXPECT_EQ(formato_c("DA2 = %6.3fv", -12.25), "DA2 = -12.250v");
  // Long results are not cut.
  EXPECT_EQ(formato_c("%6.3f", 1e30).size(), 35u);
  EXPECT_EQ(formato_c("%6.3f", std::numeric_limits<double>::infinity()), "   inf");
  // The process locale is left as it was.
  std::snprintf(coma, sizeof coma, "%.1f", 1.5);
  EXPECT_STREQ(coma, "1,5");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
