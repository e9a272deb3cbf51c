// Loading and unloading the card library over the recording platform.
#include "banco.h"

namespace {

using namespace banco;
using w7240::CARD_DRIVER;
using w7240::PCI_DRIVER;

std::vector<Tipo> tipos(const grabadora::Grabadora &g) {
    std::vector<Tipo> v;
    for (const auto &s : g.sucesos) v.push_back(s.tipo);
    return v;
}

TEST(Carga, OpensCardDriverThenPciBiosAndClosesInReverse) {
    auto &g = grabadora::actual();
    g.reiniciar();
    ASSERT_TRUE(w7240::cargar(grabadora::tabla()));
    ASSERT_EQ(g.sucesos.size(), 2u);
    EXPECT_EQ(g.sucesos[0].texto, CARD_DRIVER);
    EXPECT_EQ(g.sucesos[1].texto, PCI_DRIVER);
    const canal7240 tarjeta = g.sucesos[0].canal, pci = g.sucesos[1].canal;
    w7240::descargar();
    ASSERT_EQ(g.sucesos.size(), 4u);
    EXPECT_EQ(g.sucesos[2].tipo, Tipo::Cerrar);
    EXPECT_EQ(g.sucesos[2].canal, pci);
    EXPECT_EQ(g.sucesos[3].canal, tarjeta);
    EXPECT_TRUE(g.mensajes().empty());
}

TEST(Carga, MissingPciBiosDriverDoesNotFailTheLoad) {
    auto &g = grabadora::actual();
    g.reiniciar();
    g.aperturas_fallidas[PCI_DRIVER] = 2;
    EXPECT_TRUE(w7240::cargar(grabadora::tabla()));
    EXPECT_TRUE(g.mensajes().empty());
    w7240::descargar();
    // Only the channel that opened is closed.
    EXPECT_EQ(g.contar(Tipo::Cerrar), 1);
}

struct FalloCarga {
    const char *nombre;
    uint32_t error;
    const char *mensaje;
};

class CargaFallida : public ::testing::TestWithParam<FalloCarga> {};

TEST_P(CargaFallida, ShowsOneMessageAndFails) {
    auto &g = grabadora::actual();
    g.reiniciar();
    g.aperturas_fallidas[CARD_DRIVER] = GetParam().error;
    EXPECT_FALSE(w7240::cargar(grabadora::tabla()));
    // The error is taken before the PCI BIOS driver is opened; both opens are made.
    EXPECT_EQ(tipos(g), (std::vector<Tipo>{Tipo::Abrir, Tipo::UltimoError, Tipo::Abrir, Tipo::Mensaje}));
    EXPECT_EQ(g.sucesos[2].texto, PCI_DRIVER);
    EXPECT_EQ(g.sucesos[3].texto, GetParam().mensaje);
    EXPECT_EQ(g.sucesos[3].titulo, "");
    w7240::descargar();
}

INSTANTIATE_TEST_SUITE_P(
    Errores, CargaFallida,
    ::testing::Values(FalloCarga{"no_encontrado", 2, "Unable to open VxD, Error code: 2"},
                      FalloCarga{"no_soportado", 50, "Unable to open VxD, device does not support DeviceIOCTL"},
                      FalloCarga{"hexadecimal", 0x1F4, "Unable to open VxD, Error code: 1f4"},
                      FalloCarga{"cero", 0, "Unable to open VxD, Error code: 0"},
                      FalloCarga{"todo_unos", 0xFFFFFFFFu, "Unable to open VxD, Error code: ffffffff"}),
    [](const auto &i) { return std::string(i.param.nombre); });

}  // namespace
