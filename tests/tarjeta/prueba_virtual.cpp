// The register logic over the virtual card: the same exports a program calls,
// against the virtual PCI bus and the card model beneath them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "7240.h"
#include "plataforma7240.h"
#include "tarjeta.h"
#include "tarjeta_virtual.h"

namespace {

std::vector<std::string> mensajes;
void apuntar(const char *texto, const char *) { mensajes.push_back(texto); }

class Virtual : public ::testing::Test {
protected:
    // Sets the environment the virtual bus is built from, then loads.
    void cargar(std::vector<std::pair<const char *, const char *>> entorno = {}) {
        for (auto [k, v] : entorno) {
            setenv(k, v, 1);
            puestas.push_back(k);
        }
        tarjeta_virtual_reiniciar();
        ASSERT_TRUE(w7240::cargar(plataforma7240_virtual()));
        cargada = true;
    }
    void abrir(int32_t card = 0) { ASSERT_EQ(W_7240_Initial(card, nullptr, nullptr), ERR_None); }

    void SetUp() override {
        mensajes.clear();
        plataforma7240_fijar_mensaje(apuntar);
    }
    void TearDown() override {
        if (cargada) w7240::descargar();
        for (const char *k : puestas) unsetenv(k);
        plataforma7240_fijar_mensaje(nullptr);
    }

private:
    std::vector<const char *> puestas;
    bool cargada = false;
};

TEST_F(Virtual, BusHoldsTheCardsItIsToldOf) {
    cargar({{"TARJETA7240_TARJETAS", "2"}});
    EXPECT_EQ(tarjeta_virtual_cuantas(), 2);
    int32_t base = -1, linea = -1;
    ASSERT_EQ(W_7240_Initial(0, &base, &linea), ERR_None);
    EXPECT_EQ(base, 0xC000);
    EXPECT_EQ(linea, 10);
    ASSERT_EQ(W_7240_Initial(1, &base, &linea), ERR_None);
    EXPECT_EQ(base, 0xC100);
    EXPECT_EQ(linea, 11);
    EXPECT_EQ(W_7240_Initial(2, &base, &linea), ERR_Card_Not_Found);
    EXPECT_TRUE(mensajes.empty());
    // Each card answers at its own base.
    tarjeta_virtual_fijar_DI(0, 0x0F0F);
    tarjeta_virtual_fijar_DI(1, 0xA0A0);
    int32_t di0 = 0, di1 = 0;
    EXPECT_EQ(W_7240_DI(0, &di0) | W_7240_DI(1, &di1), ERR_None);
    EXPECT_EQ(di0, 0x0F0F);
    EXPECT_EQ(di1, 0xA0A0);
}

TEST_F(Virtual, PciSettingsFromTheEnvironment) {
    cargar({{"TARJETA7240_TARJETAS", "3"},
            {"TARJETA7240_PCI", "0:comando=4;1:irq=255,bar2=0xe001;2:nada=1;x:irq=3"}});
    int32_t base = -1, linea = -1;
    EXPECT_EQ(W_7240_Initial(0, &base, &linea), ERR_PCI_Unavailable);
    EXPECT_TRUE(mensajes.empty());
    ASSERT_EQ(W_7240_Initial(1, &base, &linea), ERR_None);
    EXPECT_EQ(base, 0xE000);
    EXPECT_EQ(linea, 255);
    ASSERT_EQ(W_7240_Initial(2, &base, &linea), ERR_None);  // unknown key left out
    EXPECT_EQ(base, 0xC200);
    // The card decodes its registers at the base it was given.
    ASSERT_EQ(W_7240_DO(1, 0x5A5A), ERR_None);
    uint16_t latch = 0;
    ASSERT_EQ(tarjeta_virtual_leer_DO(1, &latch), 0);
    EXPECT_EQ(latch, 0x5A5A);
}

TEST_F(Virtual, CommandRegisterSetThroughTestSupport) {
    cargar();
    for (uint32_t comando = 0; comando < 8; ++comando) {
        ASSERT_EQ(tarjeta_virtual_fijar_config(0, 0x04, 2, comando), 0);
        EXPECT_EQ(W_7240_Initial(0, nullptr, nullptr), comando >= 5 ? ERR_None : ERR_PCI_Unavailable)
            << comando;
    }
}

TEST_F(Virtual, MissingPciBiosDriverGoesThroughTheMessageHook) {
    cargar({{"TARJETA7240_PCIBIOS", "no"}});
    EXPECT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_PCI_Unavailable);
    EXPECT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_PCI_Unavailable);
    EXPECT_EQ(mensajes, (std::vector<std::string>(2, "I need pcibios.vxd.")));
}

TEST_F(Virtual, DigitalAndAnalogOutputsReachTheRegisters) {
    cargar();
    abrir();
    tarjeta_virtual_fijar_DI(0, 0x8001);
    int32_t v = -1;
    ASSERT_EQ(W_7240_DI(0, &v), ERR_None);
    EXPECT_EQ(v, 0x8001);
    ASSERT_EQ(W_7240_DI_Channel(0, 15, &v), ERR_None);
    EXPECT_EQ(v, 1);
    ASSERT_EQ(W_7240_DI_Channel(0, 14, &v), ERR_None);
    EXPECT_EQ(v, 0);

    ASSERT_EQ(W_7240_DO(0, 0x12345), ERR_None);
    ASSERT_EQ(W_7240_DA(0, 0, 0x12345), ERR_None);
    ASSERT_EQ(W_7240_DA(0, 1, 4095), ERR_None);
    EXPECT_EQ(W_7240_DA(0, 2, 7), ERR_DA_Channel);
    uint16_t latch = 0, da0 = 0, da1 = 0;
    tarjeta_virtual_leer_DO(0, &latch);
    tarjeta_virtual_leer_DA(0, 0, &da0);
    tarjeta_virtual_leer_DA(0, 1, &da1);
    EXPECT_EQ(latch, 0x2345);
    EXPECT_EQ(da0, 0x2345);
    EXPECT_EQ(da1, 4095);
    // Digital outputs do not show on the inputs.
    ASSERT_EQ(W_7240_DI(0, &v), ERR_None);
    EXPECT_EQ(v, 0x8001);
}

// One conversion: range code, input voltage, expected 12-bit code.
struct Conversion {
    int32_t rango;
    double voltios;
    int codigo;
};

class Conversiones : public Virtual, public ::testing::WithParamInterface<Conversion> {};

TEST_P(Conversiones, CodeOfTheSelectedChannelAndRange) {
    cargar();
    abrir();
    const auto [rango, voltios, codigo] = GetParam();
    for (int32_t canal : {0, 5, 15}) {
        // Neighbouring channels hold other voltages: only the selected one converts.
        for (int c = 0; c < 16; ++c) tarjeta_virtual_fijar_voltios(0, c, c == canal ? voltios : 3.3);
        ASSERT_EQ(W_7240_AD_Set_Range(0, rango), ERR_None);
        ASSERT_EQ(W_7240_AD_Set_Channel(0, canal), ERR_None);
        int32_t dato = -1;
        ASSERT_EQ(W_7240_AD_Aquire(0, &dato), ERR_None);
        EXPECT_EQ(dato >> 4, codigo) << "channel " << canal;
        EXPECT_EQ(dato & 0xF, canal);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rangos, Conversiones,
    ::testing::Values(Conversion{0, 0.0, 2048}, Conversion{0, 1.25, 2560}, Conversion{0, -5.0, 0},
                      Conversion{0, 5.0, 4095}, Conversion{0, -7.0, 0}, Conversion{1, 2.5, 4095},
                      Conversion{1, -1.25, 1024}, Conversion{2, 0.625, 3072},
                      Conversion{3, -0.3125, 1024}, Conversion{4, 5.0, 2048},
                      Conversion{5, 2.5, 2048}, Conversion{6, 0.625, 1024},
                      Conversion{7, 0.625, 2048}, Conversion{8, -10.0, 0}, Conversion{8, 0.0, 2048},
                      Conversion{8, 12.0, 4095}, Conversion{12, 1.25, 2560}));

TEST_F(Virtual, ConverterReadyBitAfterTheStatusReads) {
    cargar();
    abrir();
    tarjeta_virtual_fijar_voltios(0, 0, 0.0);
    int32_t dato = -1;
    uint32_t hechas = 0;
    ASSERT_EQ(tarjeta_virtual_fijar_espera(0, 200), 0);  // ready on the 201st read
    EXPECT_EQ(W_7240_AD_Aquire(0, &dato), ERR_None);
    EXPECT_EQ(dato, 2048 << 4);
    ASSERT_EQ(tarjeta_virtual_fijar_espera(0, 201), 0);
    dato = -1;
    EXPECT_EQ(W_7240_AD_Aquire(0, &dato), ERR_AD_Timeout);
    ASSERT_EQ(tarjeta_virtual_fijar_espera(0, TARJETA_VIRTUAL_NUNCA), 0);
    EXPECT_EQ(W_7240_AD_Aquire(0, &dato), ERR_AD_Timeout);
    EXPECT_EQ(dato, -1);
    tarjeta_virtual_conversiones(0, &hechas);
    EXPECT_EQ(hechas, 3u);
}

TEST_F(Virtual, AutoscanGoesThroughChannelsUpToTheSelectedOne) {
    cargar();
    abrir();
    for (int c = 0; c < 16; ++c) tarjeta_virtual_fijar_voltios(0, c, 0.0);
    ASSERT_EQ(W_7240_AD_Set_Channel(0, 2), ERR_None);
    ASSERT_EQ(W_7240_AD_Set_Autoscan(0, 1), ERR_None);
    std::vector<int> canales;
    for (int i = 0; i < 5; ++i) {
        int32_t dato = 0;
        ASSERT_EQ(W_7240_AD_Aquire(0, &dato), ERR_None);
        canales.push_back(dato & 0xF);
    }
    EXPECT_EQ(canales, (std::vector<int>{0, 1, 2, 0, 1}));
}

TEST_F(Virtual, AdControlWordAsWritten) {
    cargar();
    abrir();
    uint16_t control = 0xFFFF;
    ASSERT_EQ(W_7240_AD_Set_Channel(0, 7), ERR_None);
    tarjeta_virtual_leer_control_AD(0, &control);
    EXPECT_EQ(control, 0x00E0);
    ASSERT_EQ(W_7240_AD_Set_Range(0, 17), ERR_None);
    ASSERT_EQ(W_7240_AD_Set_Mode(0, 6), ERR_None);
    EXPECT_EQ(W_7240_AD_Set_Mode(0, 16), ERR_AD_Mode);
    tarjeta_virtual_leer_control_AD(0, &control);
    EXPECT_EQ(control, 0x02E6);
}

TEST_F(Virtual, PortsNoCardDecodesAndInterruptMasks) {
    cargar();
    const plataforma7240 *p = plataforma7240_virtual();
    EXPECT_EQ(p->entrada16(0x1234), 0xFFFF);
    EXPECT_EQ(p->entrada8(0x1234), 0xFF);
    EXPECT_EQ(p->entrada32(0x1234), 0xFFFFFFFFu);
    p->salida8(0xA1, 0xFB);
    EXPECT_EQ(p->entrada8(0xA1), 0xFB);
    EXPECT_EQ(p->entrada8(0x21), 0xFF);
    // Bridge registers keep what was written, 32 bits wide.
    p->salida32(0xD000 + 0x38, 0x28001F00);
    EXPECT_EQ(p->entrada32(0xD000 + 0x38), 0x28001F00u);
}

TEST_F(Virtual, TestSupportRefusesWhatIsNotOnTheBus) {
    cargar();
    uint16_t v = 0;
    EXPECT_EQ(tarjeta_virtual_fijar_DI(1, 1), -1);
    EXPECT_EQ(tarjeta_virtual_fijar_DI(-1, 1), -1);
    EXPECT_EQ(tarjeta_virtual_fijar_voltios(0, 16, 1.0), -1);
    EXPECT_EQ(tarjeta_virtual_leer_DA(0, 2, &v), -1);
    EXPECT_EQ(tarjeta_virtual_leer_DO(0, nullptr), -1);
    EXPECT_EQ(tarjeta_virtual_fijar_config(0, 0x3D, 2, 0), -1);  // misaligned
    EXPECT_EQ(tarjeta_virtual_fijar_config(0, 0xFE, 4, 0), -1);
}

TEST_F(Virtual, BadCardCountFallsBackToOne) {
    cargar({{"TARJETA7240_TARJETAS", "9"}});
    EXPECT_EQ(tarjeta_virtual_cuantas(), 1);
}

}  // namespace
