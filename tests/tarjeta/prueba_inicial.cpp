// W_7240_Initial, the card table and the card check, over the recording platform.
#include <climits>
#include <deque>
#include <functional>

#include "banco.h"

namespace {

using namespace banco;

w7240::PciBiosRegs imagen(const grabadora::Suceso &s) {
    w7240::PciBiosRegs r{};
    EXPECT_EQ(s.entrada.size(), sizeof r);
    std::memcpy(&r, s.entrada.data(), std::min(s.entrada.size(), sizeof r));
    return r;
}

class Inicial : public Banco {};

TEST_F(Inicial, AsksThePciBiosInOrderAndReturnsBaseAndLine) {
    const canal7240 pci = g.sucesos[1].canal;
    guion_tarjeta();
    int32_t base = -1, linea = -1;
    ASSERT_EQ(W_7240_Initial(0, &base, &linea), ERR_None);
    EXPECT_EQ(base, 0xC000);
    EXPECT_EQ(linea, 10);
    EXPECT_TRUE(g.puertos().empty());

    struct Esperada {
        uint32_t codigo, eax, ebx, ecx, edx, esi, edi;
    };
    const Esperada esperadas[] = {
        {1, 0xB101, 0, 0, 0, 0, 0},          {2, 0xB102, 0, 0x80D7, 0x10E8, 0, 0},
        {1, 0xB108, 0x0120, 0, 0, 0, 0x04},  {1, 0xB109, 0x0120, 0, 0, 0, 0x10},
        {1, 0xB109, 0x0120, 0, 0, 0, 0x18},  {1, 0xB108, 0x0120, 0, 0, 0, 0x3C},
    };
    const auto peticiones = g.peticiones();
    ASSERT_EQ(peticiones.size(), std::size(esperadas));
    for (size_t i = 0; i < peticiones.size(); ++i) {
        SCOPED_TRACE(i);
        const auto &p = peticiones[i];
        EXPECT_EQ(p.canal, pci);
        EXPECT_EQ(p.codigo, esperadas[i].codigo);
        EXPECT_EQ(p.tam_entrada, 28u);
        EXPECT_EQ(p.tam_salida, 28u);
        EXPECT_FALSE(p.con_devueltos);
        const auto r = imagen(p);
        EXPECT_EQ(r.eax & 0xFFFF, esperadas[i].eax);
        if (esperadas[i].codigo == 2) {
            EXPECT_EQ(r.ecx & 0xFFFF, esperadas[i].ecx);
            EXPECT_EQ(r.edx & 0xFFFF, esperadas[i].edx);
            EXPECT_EQ(r.esi & 0xFFFF, esperadas[i].esi);
        } else if (esperadas[i].eax != 0xB101) {
            EXPECT_EQ(r.ebx & 0xFFFF, esperadas[i].ebx);
            EXPECT_EQ(r.edi & 0xFFFF, esperadas[i].edi);
        } else {
            EXPECT_EQ(r.esi & 0xFFFF, 0u);
        }
    }
}

// One outcome of W_7240_Initial for card 0 from a scripted bus.
struct Caso {
    const char *nombre;
    std::function<void()> guion;
    int32_t resultado;
    int mensajes;        // "I need pcibios.vxd." boxes
    int32_t base, linea; // out-arguments on success
};

class InicialCasos : public Banco, public ::testing::WithParamInterface<Caso> {};

TEST_P(InicialCasos, Outcome) {
    const Caso &c = GetParam();
    c.guion();
    int32_t base = -7, linea = -7;
    EXPECT_EQ(W_7240_Initial(0, &base, &linea), c.resultado);
    const auto mensajes = g.mensajes();
    EXPECT_EQ(int(mensajes.size()), c.mensajes);
    for (const auto &m : mensajes) EXPECT_EQ(m, "I need pcibios.vxd.");
    EXPECT_EQ(base, c.resultado == ERR_None ? c.base : -7);
    EXPECT_EQ(linea, c.resultado == ERR_None ? c.linea : -7);
    // The card check follows what Initial decided.
    int32_t di = 0;
    g.lecturas[IO + w7240::REG_DIO] = {0x1234};
    EXPECT_EQ(W_7240_DI(0, &di), c.resultado == ERR_None ? ERR_None : ERR_Card_Not_Initial);
}

void empuja(std::initializer_list<Respuesta> rs) {
    for (const auto &r : rs) grabadora::actual().respuestas.push_back(r);
}

Caso comando(uint32_t valor, bool aceptado) {
    static std::deque<std::string> nombres;  // stable addresses for the row names
    nombres.push_back("comando_" + std::to_string(valor));
    return {nombres.back().c_str(), [valor] { guion_tarjeta({.comando = valor}); },
            aceptado ? ERR_None : ERR_PCI_Unavailable, 0, 0xC000, 10};
}

INSTANTIATE_TEST_SUITE_P(
    Bus, InicialCasos,
    ::testing::Values(
        Caso{"bios_no_responde", [] {}, ERR_PCI_Unavailable, 1, 0, 0},
        Caso{"bios_ah_no_cero", [] { empuja({regs(0x8101, 0, 0, w7240::PCIBIOS_SIGNATURE)}); },
             ERR_PCI_Unavailable, 1, 0, 0},
        Caso{"bios_firma_mala", [] { empuja({regs(0x0001, 0, 0, 0x20494351)}); }, ERR_PCI_Unavailable,
             1, 0, 0},
        Caso{"no_encontrada", [] { empuja({bios_presente(), no_encontrada()}); }, ERR_Card_Not_Found,
             0, 0, 0},
        Caso{"acarreo_sin_ah", [] { empuja({bios_presente(), regs(0, 0x0120, 0, 0, 1)}); },
             ERR_Card_Not_Found, 0, 0, 0},
        Caso{"busqueda_no_hecha", [] { empuja({bios_presente()}); }, ERR_Card_Not_Found, 0, 0, 0},
        comando(0, false), comando(1, false), comando(3, false), comando(4, false),
        comando(0x1C, false), comando(5, true), comando(6, true), comando(7, true),
        comando(0x0105, true),
        Caso{"base_e001", [] { guion_tarjeta({.bar2 = 0xE001}); }, ERR_None, 0, 0xE000, 10},
        Caso{"base_palabra_baja", [] { guion_tarjeta({.bar2 = 0x1234E003}); }, ERR_None, 0, 0xE000,
             10},
        Caso{"linea_ff", [] { guion_tarjeta({.irq = 0xFF}); }, ERR_None, 0, 0xC000, 255},
        Caso{"linea_byte_bajo", [] { guion_tarjeta({.irq = 0x1205}); }, ERR_None, 0, 0xC000, 5}),
    [](const auto &i) { return std::string(i.param.nombre); });

TEST(InicialSinPciBios, ShowsTheMessageOncePerCall) {
    auto &g = grabadora::actual();
    g.reiniciar();
    g.aperturas_fallidas[w7240::PCI_DRIVER] = 2;
    ASSERT_TRUE(w7240::cargar(grabadora::tabla()));
    int32_t base = -7, linea = -7;
    for (int llamada = 1; llamada <= 2; ++llamada) {
        EXPECT_EQ(W_7240_Initial(0, &base, &linea), ERR_PCI_Unavailable);
        EXPECT_EQ(g.mensajes(), std::vector<std::string>(size_t(llamada), "I need pcibios.vxd."));
    }
    EXPECT_EQ(g.sucesos.back().titulo, "");
    EXPECT_EQ(base, -7);
    EXPECT_EQ(linea, -7);
    w7240::descargar();
}

TEST_F(Inicial, SecondCardMissingLeavesTheFirstUsable) {
    guion_tarjeta();
    ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
    empuja({bios_presente(), no_encontrada()});
    int32_t base = -7;
    EXPECT_EQ(W_7240_Initial(1, &base, nullptr), ERR_Card_Not_Found);
    EXPECT_EQ(base, -7);
    EXPECT_TRUE(g.mensajes().empty());
    const auto r = imagen(g.peticiones().back());
    EXPECT_EQ(r.esi & 0xFFFF, 1u);  // the card number is the search index

    g.lecturas[IO + w7240::REG_DIO] = {0xBEEF};
    int32_t di = 0;
    EXPECT_EQ(W_7240_DI(0, &di), ERR_None);
    EXPECT_EQ(di, 0xBEEF);
    EXPECT_EQ(W_7240_DI(1, &di), ERR_Card_Not_Initial);
}

TEST_F(Inicial, AgainOverwritesTheRecordAndClearsTheAdShadow) {
    guion_tarjeta();
    ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
    ASSERT_EQ(W_7240_AD_Set_Mode(0, 3), ERR_None);
    guion_tarjeta({.bar2 = 0xB001});
    ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
    g.sucesos.clear();
    ASSERT_EQ(W_7240_AD_Set_Range(0, 0), ERR_None);
    EXPECT_EQ(g.puertos(), (std::vector<Acceso>{out16(0xB018, 0x0000)}));
    // A later failed search does not close the card.
    empuja({bios_presente(), no_encontrada()});
    EXPECT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_Card_Not_Found);
    EXPECT_EQ(W_7240_DO(0, 1), ERR_None);
}

class NumeroSinHueco : public Banco, public ::testing::WithParamInterface<int32_t> {};

TEST_P(NumeroSinHueco, IsNotFoundAndFailsTheCardCheck) {
    guion_tarjeta();
    ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
    g.sucesos.clear();
    int32_t base = -7, valor = -7;
    EXPECT_EQ(W_7240_Initial(GetParam(), &base, nullptr), ERR_Card_Not_Found);
    EXPECT_EQ(W_7240_DI(GetParam(), &valor), ERR_Card_Not_Initial);
    EXPECT_EQ(W_7240_DO(GetParam(), 1), ERR_Card_Not_Initial);
    EXPECT_EQ(W_7240_AD_Aquire(GetParam(), &valor), ERR_Card_Not_Initial);
    EXPECT_TRUE(g.sucesos.empty());  // nothing asked of the bus or the card
    EXPECT_EQ(base, -7);
    EXPECT_EQ(valor, -7);
}

INSTANTIATE_TEST_SUITE_P(Numeros, NumeroSinHueco, ::testing::Values(-1, 4, 5, INT_MAX, INT_MIN));

// Every export that checks the card, called before W_7240_Initial: result 1,
// no port access, no driver request, out-arguments untouched.
struct Llamada {
    const char *nombre;
    std::function<int32_t(int32_t *, int32_t *)> llamar;
};

class AntesDeInicial : public Banco, public ::testing::WithParamInterface<Llamada> {};

TEST_P(AntesDeInicial, ReturnsOneAndTouchesNothing) {
    int32_t a = -7, b = -7;
    EXPECT_EQ(GetParam().llamar(&a, &b), ERR_Card_Not_Initial);
    EXPECT_EQ(a, -7);
    EXPECT_EQ(b, -7);
    EXPECT_EQ(g.sucesos.size(), 2u);  // the two opens of the load only
}

uint16_t muestras[8];

INSTANTIATE_TEST_SUITE_P(
    Exportaciones, AntesDeInicial,
    ::testing::Values(
        Llamada{"DI", [](int32_t *a, int32_t *) { return W_7240_DI(0, a); }},
        Llamada{"DI_Channel", [](int32_t *a, int32_t *) { return W_7240_DI_Channel(0, 99, a); }},
        Llamada{"DO", [](int32_t *, int32_t *) { return W_7240_DO(0, 1); }},
        Llamada{"DA", [](int32_t *, int32_t *) { return W_7240_DA(0, 7, 1); }},
        Llamada{"AD_Set_Channel", [](int32_t *, int32_t *) { return W_7240_AD_Set_Channel(0, 99); }},
        Llamada{"AD_Set_Range", [](int32_t *, int32_t *) { return W_7240_AD_Set_Range(0, 1); }},
        Llamada{"AD_Set_Mode", [](int32_t *, int32_t *) { return W_7240_AD_Set_Mode(0, 99); }},
        Llamada{"AD_Set_Autoscan", [](int32_t *, int32_t *) { return W_7240_AD_Set_Autoscan(0, 1); }},
        Llamada{"AD_Soft_Trig", [](int32_t *, int32_t *) { return W_7240_AD_Soft_Trig(0); }},
        Llamada{"AD_Aquire", [](int32_t *a, int32_t *) { return W_7240_AD_Aquire(0, a); }},
        Llamada{"AD_Timer", [](int32_t *, int32_t *) { return W_7240_AD_Timer(0, 1, 1); }},
        Llamada{"TIMER_Start", [](int32_t *, int32_t *) { return W_7240_TIMER_Start(0, 9, 1); }},
        Llamada{"TIMER_Read", [](int32_t *a, int32_t *) { return W_7240_TIMER_Read(0, a); }},
        Llamada{"TIMER_Stop", [](int32_t *a, int32_t *) { return W_7240_TIMER_Stop(0, a); }},
        Llamada{"AD_INT_Start",
                [](int32_t *, int32_t *) { return W_7240_AD_INT_Start(0, 0, 99, 99, 8, muestras, 1, 1); }},
        Llamada{"V_AD_INT_Start",
                [](int32_t *, int32_t *) { return V_7240_AD_INT_Start(0, 0, 99, 99, 8, muestras, 1, 1); }},
        Llamada{"AD_INT_Status", [](int32_t *a, int32_t *b) { return W_7240_AD_INT_Status(0, a, b); }},
        Llamada{"AD_INT_Stop", [](int32_t *a, int32_t *) { return W_7240_AD_INT_Stop(0, a); }},
        Llamada{"AD_DMA_Start",
                [](int32_t *, int32_t *) { return W_7240_AD_DMA_Start(0, 0, 99, 99, 8, muestras, 1, 1); }},
        Llamada{"AD_DMA_Status", [](int32_t *a, int32_t *b) { return W_7240_AD_DMA_Status(0, a, b); }},
        Llamada{"AD_DMA_Stop", [](int32_t *a, int32_t *) { return W_7240_AD_DMA_Stop(0, a); }},
        Llamada{"ContDmaStart",
                [](int32_t *, int32_t *) { return W_7240_ContDmaStart(0, 0, 99, 0, 16, muestras, 1, 1); }},
        Llamada{"ContDmaStop", [](int32_t *, int32_t *) { return W_7240_ContDmaStop(0); }}),
    [](const auto &i) { return std::string(i.param.nombre); });

}  // namespace
