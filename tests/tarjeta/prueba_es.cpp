// Single-shot I/O over the recording platform: exact port accesses, widths,
// results and out-arguments.
#include <functional>

#include "banco.h"

namespace {

using namespace banco;
using namespace w7240;

constexpr uint32_t DIO = IO + REG_DIO, DA0 = IO + REG_DA0, DA1 = IO + REG_DA1,
                   CTRL = IO + REG_AD_CTRL, TRIG = IO + REG_SOFT_TRIG, DATA = IO + REG_AD_DATA;

// A sequence of calls on card 0 after W_7240_Initial: the last call's result
// and out-argument, and every port access of the whole sequence.
using Caso = CasoPuertos;

class ES : public Banco, public ::testing::WithParamInterface<Caso> {
protected:
    void SetUp() override {
        Banco::SetUp();
        abrir_tarjeta();
        g.frecuencia = 1;  // settling waits are tested on their own
    }
};

TEST_P(ES, PortAccesses) { comprobar_puertos(g, GetParam()); }

std::vector<Acceso> estado_nunca_listo() {
    std::vector<Acceso> v{out16(TRIG, 0)};
    for (int i = 0; i < 201; ++i) v.push_back(in16(CTRL, 0xFFFE));
    return v;
}

std::vector<Acceso> listo_en(int lectura, uint32_t dato) {
    std::vector<Acceso> v{out16(TRIG, 0)};
    for (int i = 1; i < lectura; ++i) v.push_back(in16(CTRL, 0));
    v.push_back(in16(CTRL, 1));
    v.push_back(in16(DATA, dato));
    return v;
}

std::deque<uint32_t> estados_listo_en(int lectura) {
    std::deque<uint32_t> d(size_t(lectura - 1), 0);
    d.push_back(1);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Exportaciones, ES,
    ::testing::Values(
        Caso{"DI", {{DIO, {0x8001}}}, [](int32_t *o) { return W_7240_DI(0, o); }, 0, 0x8001,
             {in16(DIO, 0x8001)}},
        Caso{"DI_sin_salida", {{DIO, {0x8001}}}, [](int32_t *) { return W_7240_DI(0, nullptr); }, 0, -7,
             {in16(DIO, 0x8001)}},
        Caso{"DI_Channel_15", {{DIO, {0x8000}}}, [](int32_t *o) { return W_7240_DI_Channel(0, 15, o); },
             0, 1, {in16(DIO, 0x8000)}},
        Caso{"DI_Channel_0", {{DIO, {0x8000}}}, [](int32_t *o) { return W_7240_DI_Channel(0, 0, o); },
             0, 0, {in16(DIO, 0x8000)}},
        Caso{"DI_Channel_16", {}, [](int32_t *o) { return W_7240_DI_Channel(0, 16, o); }, 12, -7, {}},
        Caso{"DI_Channel_menos_1", {}, [](int32_t *o) { return W_7240_DI_Channel(0, -1, o); }, 12, -7, {}},
        Caso{"DO", {}, [](int32_t *) { return W_7240_DO(0, 0x12345); }, 0, -7, {out16(DIO, 0x2345)}},
        Caso{"DA0", {}, [](int32_t *) { return W_7240_DA(0, 0, 0x12345); }, 0, -7, {out16(DA0, 0x2345)}},
        Caso{"DA1", {}, [](int32_t *) { return W_7240_DA(0, 1, 4095); }, 0, -7, {out16(DA1, 4095)}},
        Caso{"DA2", {}, [](int32_t *) { return W_7240_DA(0, 2, 1); }, 11, -7, {}},
        Caso{"DA_menos_1", {}, [](int32_t *) { return W_7240_DA(0, -1, 1); }, 11, -7, {}},
        Caso{"canal_7_luego_rango_0", {},
             [](int32_t *) { return W_7240_AD_Set_Channel(0, 7) | W_7240_AD_Set_Range(0, 0); }, 0, -7,
             {out16(CTRL, 0x00E0), out16(CTRL, 0x00E0)}},
        Caso{"canal_16", {}, [](int32_t *) { return W_7240_AD_Set_Channel(0, 16); }, 10, -7, {}},
        Caso{"canal_menos_1", {}, [](int32_t *) { return W_7240_AD_Set_Channel(0, -1); }, 10, -7, {}},
        Caso{"rango_17_es_1", {}, [](int32_t *) { return W_7240_AD_Set_Range(0, 17); }, 0, -7,
             {out16(CTRL, 0x0200)}},
        Caso{"rango_menos_1_es_15", {}, [](int32_t *) { return W_7240_AD_Set_Range(0, -1); }, 0, -7,
             {out16(CTRL, 0x1E00)}},
        Caso{"autoscan_1_luego_2", {},
             [](int32_t *) { return W_7240_AD_Set_Autoscan(0, 1) | W_7240_AD_Set_Autoscan(0, 2); }, 0, -7,
             {out16(CTRL, 0x0010), out16(CTRL, 0x0000)}},
        Caso{"autoscan_3", {}, [](int32_t *) { return W_7240_AD_Set_Autoscan(0, 3); }, 0, -7,
             {out16(CTRL, 0x0010)}},
        Caso{"modo_16_no_escribe", {},
             [](int32_t *) {
                 W_7240_AD_Set_Mode(0, 5);
                 return W_7240_AD_Set_Mode(0, 16);
             },
             23, -7, {out16(CTRL, 0x0005)}},
        Caso{"modo_16_deja_la_sombra", {},
             [](int32_t *) {
                 W_7240_AD_Set_Mode(0, 5);
                 W_7240_AD_Set_Mode(0, 16);
                 W_7240_AD_Set_Mode(0, -1);
                 return W_7240_AD_Set_Autoscan(0, 1);
             },
             0, -7, {out16(CTRL, 0x0005), out16(CTRL, 0x0015)}},
        Caso{"campos_juntos", {},
             [](int32_t *) {
                 return W_7240_AD_Set_Mode(0, 6) | W_7240_AD_Set_Channel(0, 15) |
                        W_7240_AD_Set_Range(0, 8) | W_7240_AD_Set_Autoscan(0, 1) |
                        W_7240_AD_Set_Channel(0, 2) | W_7240_AD_Set_Mode(0, 15);
             },
             0, -7,
             {out16(CTRL, 0x0006), out16(CTRL, 0x01E6), out16(CTRL, 0x11E6), out16(CTRL, 0x11F6),
              out16(CTRL, 0x1056), out16(CTRL, 0x105F)}},
        Caso{"disparo", {}, [](int32_t *) { return W_7240_AD_Soft_Trig(0); }, 0, -7, {out16(TRIG, 0)}},
        Caso{"adquirir_listo_en_3", {{CTRL, estados_listo_en(3)}, {DATA, {0xFFF5}}},
             [](int32_t *o) { return W_7240_AD_Aquire(0, o); }, 0, 0xFFF5, listo_en(3, 0xFFF5)},
        Caso{"adquirir_listo_en_201", {{CTRL, estados_listo_en(201)}, {DATA, {0x8000}}},
             [](int32_t *o) { return W_7240_AD_Aquire(0, o); }, 0, 0x8000, listo_en(201, 0x8000)},
        Caso{"adquirir_nunca_listo", {{CTRL, {0xFFFE}}}, [](int32_t *o) { return W_7240_AD_Aquire(0, o); },
             28, -7, estado_nunca_listo()}),
    [](const auto &i) { return std::string(i.param.nombre); });

// The settling wait after a channel write, on a scripted counter.
struct Espera {
    const char *nombre;
    int64_t frecuencia;
    int64_t paso;
    int lecturas;  // counter reads: the start and every comparison
};

class Asentamiento : public Banco, public ::testing::WithParamInterface<Espera> {};

TEST_P(Asentamiento, WaitsTenMicrosecondsOfCounts) {
    abrir_tarjeta();
    g.frecuencia = GetParam().frecuencia;
    g.paso_contador = GetParam().paso;
    g.contador = 1000;
    ASSERT_EQ(W_7240_AD_Set_Channel(0, 3), ERR_None);
    // The channel is written first, then the wait runs, changed channel or not.
    ASSERT_GE(g.sucesos.size(), 2u);
    EXPECT_EQ(g.sucesos[0].tipo, Tipo::Salida);
    EXPECT_EQ(g.sucesos[1].tipo, Tipo::Frecuencia);
    EXPECT_EQ(g.contar(Tipo::Contador), GetParam().lecturas);
    EXPECT_EQ(g.contar(Tipo::Frecuencia), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Contadores, Asentamiento,
    ::testing::Values(Espera{"lento_no_espera", 19999, 1, 0},
                      Espera{"justo_20000", 20000, 1, 2},        // 0.2 counts round up to 1
                      Espera{"redondea_arriba", 1000001, 1, 12},  // 10.00001 counts: wait 11
                      Espera{"un_gigahercio", 1000000000, 1000, 11},
                      Espera{"un_gigahercio_paso_3", 1000000000, 3, 3335}),
    [](const auto &i) { return std::string(i.param.nombre); });

TEST_F(Asentamiento, WaitsAgainWhenTheChannelDoesNotChange) {
    abrir_tarjeta();
    g.frecuencia = 1000000;
    ASSERT_EQ(W_7240_AD_Set_Channel(0, 3), ERR_None);
    const int una = g.contar(Tipo::Contador);
    ASSERT_EQ(W_7240_AD_Set_Channel(0, 3), ERR_None);
    EXPECT_EQ(una, 11);
    EXPECT_EQ(g.contar(Tipo::Contador), 2 * una);
}

}  // namespace
