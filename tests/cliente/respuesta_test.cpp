// The client library knows a state reply is complete from its structure alone.
#include "respuesta.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string reply(const std::string& bits, const std::string& numero) {
  std::string s = bits;
  for (int i = 0; i < 16; ++i) s += "," + numero;
  return s;
}

long check(const std::string& s) { return kalovet_respuesta_completa(s.data(), s.size()); }

TEST(RespuestaCompleta, EveryProperPrefixOfAReplyIsIncomplete) {
  for (const std::string& r : {reply("0000000000000000", "0.000000"), reply("1010101010101011", "-5.000000"),
                               reply("1111111111111111", "12345.678901")}) {
    for (size_t n = 0; n < r.size(); ++n) ASSERT_EQ(kalovet_respuesta_completa(r.data(), n), 0) << r.substr(0, n);
    EXPECT_EQ(check(r), static_cast<long>(r.size()));
  }
}

struct Fila {
  const char* nombre;
  std::string texto;
  long esperado;
};

class Respuesta : public ::testing::TestWithParam<Fila> {};

TEST_P(Respuesta, Checks) { EXPECT_EQ(check(GetParam().texto), GetParam().esperado); }

const std::string inicio = reply("0000000000000000", "0.000000");
const std::string min = reply("1000000000000001", "-5.000000");

INSTANTIATE_TEST_SUITE_P(
    Filas, Respuesta,
    ::testing::Values(
        Fila{"after_start_160", inicio, 160},
        Fila{"all_at_minimum_176", min, 176},
        Fila{"bytes_after_it_are_not_part_of_it", inicio + "OK", 160},
        Fila{"empty", "", 0},
        Fila{"acknowledgement", "OK", -1},
        Fila{"bit_other_than_0_or_1", "0000000200000000,", -1},
        Fila{"fifteen_bits_then_comma", "000000000000000,0.000000", -1},
        Fila{"no_comma_after_bits", "0000000000000000;0.000000", -1},
        Fila{"five_decimals", "0000000000000000,0.00000,", -1},
        Fila{"seven_decimals_at_the_end", inicio + "0", -1},
        Fila{"no_integer_digit", "0000000000000000,.500000", -1},
        Fila{"two_signs", "0000000000000000,--1.000000", -1},
        Fila{"nan", "0000000000000000,nan", -1},
        Fila{"decimal_comma", "0000000000000000,0,500000", -1},
        Fila{"fifteen_numbers_so_far", inicio.substr(0, 151), 0},
        Fila{"widest_double", reply("0000000000000000", std::string(309, '9') + ".000000"),
             static_cast<long>(17 + 16 * 317 - 1)},
        Fila{"wider_than_any_double", "0000000000000000," + std::string(310, '9'), -1}),
    [](const ::testing::TestParamInfo<Fila>& i) { return std::string(i.param.nombre); });

}  // namespace
