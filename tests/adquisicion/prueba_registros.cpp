// Pacer, counter 0, interrupt and DMA acquisition over the recording
// platform: exact port accesses in order and at their widths, driver request
// layouts, results, out-arguments and the per-card and library-wide flags.
#include <algorithm>
#include <functional>
#include <vector>

#include "banco.h"

namespace {

using namespace banco;
using namespace w7240;

constexpr uint32_t OP = 0xD000;  // opBase of the default scripted card
constexpr uint32_t CTRL = IO + REG_AD_CTRL, TCTRL = IO + REG_TIMER_CTRL, T0 = IO + REG_TIMER0,
                   T1 = IO + REG_TIMER1, T2 = IO + REG_TIMER2;
constexpr uint32_t WADDR = OP + BRIDGE_WRITE_ADDR, WCOUNT = OP + BRIDGE_WRITE_COUNT,
                   INTCSR = OP + BRIDGE_INT_CSR, MASTER = OP + BRIDGE_MASTER_CSR;
constexpr uint32_t PIC1 = PIC_MASTER_MASK, PIC2 = PIC_SLAVE_MASK;

Acceso out8(uint32_t p, uint32_t v) { return {Tipo::Salida, p, 8, v}; }
Acceso in8(uint32_t p, uint32_t v) { return {Tipo::Entrada, p, 8, v}; }
Acceso out32(uint32_t p, uint32_t v) { return {Tipo::Salida, p, 32, v}; }
Acceso in32(uint32_t p, uint32_t v) { return {Tipo::Entrada, p, 32, v}; }

// The six 32-bit writes that program the pacer.
std::vector<Acceso> pacer(uint32_t d1, uint32_t d2) {
    return {out32(TCTRL, 0x76), out32(T1, d1 & 0xFF), out32(T1, (d1 >> 8) & 0xFF),
            out32(TCTRL, 0xB6), out32(T2, d2 & 0xFF), out32(T2, (d2 >> 8) & 0xFF)};
}

std::vector<Acceso> operator+(std::vector<Acceso> a, const std::vector<Acceso> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint32_t> palabras(const std::vector<uint8_t> &bytes) {
    std::vector<uint32_t> v(bytes.size() / 4);
    if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * 4);
    return v;
}

Respuesta respuesta(std::vector<uint32_t> w) {
    Respuesta r;
    r.salida.resize(w.size() * 4);
    if (!w.empty()) std::memcpy(r.salida.data(), w.data(), r.salida.size());
    return r;
}

uint32_t bajo(const void *p) { return uint32_t(uint64_t(uintptr_t(p))); }
uint32_t alto(const void *p) { return uint32_t(uint64_t(uintptr_t(p)) >> 32); }

class Adquisicion : public Banco {
protected:
    void SetUp() override {
        Banco::SetUp();
        abrir(10);
    }
    // Opens card 0 with the interrupt line given; masks read 0xFF.
    void abrir(uint32_t irq) {
        g.reiniciar();
        w7240::descargar();
        ASSERT_TRUE(w7240::cargar(grabadora::tabla()));
        guion_tarjeta(Pci{.irq = irq});
        ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
        g.sucesos.clear();
        g.frecuencia = 1;  // no settling wait after a channel change
        g.lecturas[PIC1] = {0xFF};
        g.lecturas[PIC2] = {0xFF};
    }
    std::vector<uint32_t> codigos() const {
        std::vector<uint32_t> v;
        for (const auto &s : g.peticiones()) v.push_back(s.codigo);
        return v;
    }
};

// ---------------------------------------------------------------- pacer and counter 0

class Contadores : public Adquisicion, public ::testing::WithParamInterface<CasoPuertos> {};

TEST_P(Contadores, PortAccesses) { comprobar_puertos(g, GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Tabla, Contadores,
    ::testing::Values(
        CasoPuertos{"timer_0_5_accepted", {}, [](int32_t *) { return W_7240_AD_Timer(0, 0, 5); }, 0, -7, pacer(0, 5)},
        CasoPuertos{"timer_1_100_refused", {}, [](int32_t *) { return W_7240_AD_Timer(0, 1, 100); }, 18, -7, {}},
        CasoPuertos{"timer_4_5_product_20", {}, [](int32_t *) { return W_7240_AD_Timer(0, 4, 5); }, 0, -7, pacer(4, 5)},
        CasoPuertos{"timer_4_4_refused", {}, [](int32_t *) { return W_7240_AD_Timer(0, 4, 4); }, 18, -7, {}},
        CasoPuertos{"timer_100_1_refused", {}, [](int32_t *) { return W_7240_AD_Timer(0, 100, 1); }, 18, -7, {}},
        CasoPuertos{"timer_two_bytes", {}, [](int32_t *) { return W_7240_AD_Timer(0, 0x1234, 0xABCD); }, 0, -7, pacer(0x1234, 0xABCD)},
        CasoPuertos{"timer_card_not_open", {}, [](int32_t *) { return W_7240_AD_Timer(1, 4, 5); }, 1, -7, {}},
        CasoPuertos{"counter0_mode5", {}, [](int32_t *) { return W_7240_TIMER_Start(0, 5, 0x1234); }, 0, -7,
                    {out8(TCTRL, 0x3A), out8(T0, 0x34), out8(T0, 0x12)}},
        CasoPuertos{"counter0_mode0", {}, [](int32_t *) { return W_7240_TIMER_Start(0, 0, 0x10005); }, 0, -7,
                    {out8(TCTRL, 0x30), out8(T0, 0x05), out8(T0, 0x00)}},
        CasoPuertos{"counter0_mode6_refused", {}, [](int32_t *) { return W_7240_TIMER_Start(0, 6, 100); }, 19, -7, {}},
        CasoPuertos{"counter0_mode_negative", {}, [](int32_t *) { return W_7240_TIMER_Start(0, -1, 100); }, 19, -7, {}},
        CasoPuertos{"counter0_read_latches", {{T0, {0x34, 0xFE}}},
                    [](int32_t *o) { return W_7240_TIMER_Read(0, o); }, 0, 0xFE34,
                    {out8(TCTRL, 0x00), in8(T0, 0x34), in8(T0, 0xFE)}},
        CasoPuertos{"counter0_stop_reloads_1", {{T0, {0x10, 0x27}}},
                    [](int32_t *o) { return W_7240_TIMER_Stop(0, o); }, 0, 10000,
                    {out8(TCTRL, 0x00), in8(T0, 0x10), in8(T0, 0x27), out8(TCTRL, 0x30), out8(T0, 1), out8(T0, 0)}},
        CasoPuertos{"counter0_read_card_not_open", {}, [](int32_t *o) { return W_7240_TIMER_Read(2, o); }, 1, -7, {}}),
    [](const auto &i) { return std::string(i.param.nombre); });

// ---------------------------------------------------------------- interrupt acquisition

struct Rechazo {
    const char *nombre;
    int32_t canal, rango, d1, d2;
    int32_t resultado;
};

class InicioRechazado : public Adquisicion, public ::testing::WithParamInterface<Rechazo> {};

// Refused starts change nothing: no port access, no request, no flag.
TEST_P(InicioRechazado, ChangesNothing) {
    const Rechazo &r = GetParam();
    uint16_t buffer[4];
    EXPECT_EQ(W_7240_AD_INT_Start(0, 0, r.canal, r.rango, 4, buffer, r.d1, r.d2), r.resultado);
    EXPECT_EQ(V_7240_AD_INT_Start(0, 0, r.canal, r.rango, 4, buffer, r.d1, r.d2), r.resultado);
    EXPECT_TRUE(g.sucesos.empty());
    EXPECT_EQ(W_7240_AD_INT_Stop(0, nullptr), ERR_INT_Not_Started);
    EXPECT_EQ(card_of(0).adControl, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, InicioRechazado,
    ::testing::Values(Rechazo{"zero_divider", 3, 0, 0, 100, 18}, Rechazo{"divider_1", 3, 0, 1, 100, 18},
                      Rechazo{"product_16", 3, 0, 4, 4, 18}, Rechazo{"range_16", 3, 16, 10, 10, 29},
                      Rechazo{"range_negative", 3, -1, 10, 10, 29}, Rechazo{"channel_16", 16, 0, 10, 10, 10},
                      Rechazo{"channel_negative", -1, 16, 0, 0, 10}),
    [](const auto &i) { return std::string(i.param.nombre); });

TEST_F(Adquisicion, IntStopBeforeAnyStartIs27) {
    int32_t cuenta = -7;
    EXPECT_EQ(W_7240_AD_INT_Stop(0, &cuenta), ERR_INT_Not_Started);
    EXPECT_EQ(cuenta, -7);
    EXPECT_TRUE(g.sucesos.empty());
}

// Line 10: the start clears the master's cascade bit and slave bit 2; the
// stop writes the slave mask back and leaves the cascade bit cleared.
TEST_F(Adquisicion, IntStartOnLine10ArmsEverythingInOrder) {
    g.lecturas[PIC1] = {0xBF};
    g.lecturas[PIC2] = {0x8F};
    g.respuestas.push_back(respuesta({0x77, 5, 6, 7, 8, 9}));  // set-up answer
    g.respuestas.push_back(respuesta({}));                    // run
    std::vector<uint16_t> buffer(1000);
    ASSERT_EQ(W_7240_AD_INT_Start(0, 1, 3, 2, 1000, buffer.data(), 10, 20), ERR_None);

    const uint16_t rango = 2 << 9, canal = 3 << 5;
    EXPECT_EQ(g.puertos(), (pacer(0, 0) + std::vector<Acceso>{
                                             out16(CTRL, rango), out16(CTRL, rango | canal),
                                             out16(CTRL, rango | canal | 0x10), in8(PIC1, 0xBF),
                                             out8(PIC1, 0xBB), in8(PIC2, 0x8F), out8(PIC2, 0x8B),
                                             out32(INTCSR, 0x28001F00), out16(CTRL, rango | canal | 0x10 | 6)} +
                               pacer(10, 20)));
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].codigo, REQ_INT_SETUP);
    EXPECT_EQ(palabras(p[0].entrada), (std::vector<uint32_t>{0, 10, 0, 1000, OP, 1, IO}));
    EXPECT_EQ(p[0].tam_salida, 24u);
    EXPECT_TRUE(p[0].con_devueltos);
    EXPECT_EQ(p[1].codigo, REQ_INT_RUN);
    EXPECT_EQ(palabras(p[1].entrada), (std::vector<uint32_t>{0, 5, 6, 7, 8, 9}));
    EXPECT_EQ(p[1].tam_salida, 2000u);
    EXPECT_EQ(g.contar(Tipo::Interrupciones), 1);
    EXPECT_TRUE(g.mensajes().empty());
    EXPECT_EQ(card_of(0).intStarted, 1u);

    g.sucesos.clear();
    g.respuestas.push_back(respuesta({0x03E8}));  // count 1000 (two bytes declared)
    int32_t cuenta = -7;
    ASSERT_EQ(W_7240_AD_INT_Stop(0, &cuenta), ERR_None);
    EXPECT_EQ(cuenta, 1000);
    EXPECT_EQ(g.puertos(), std::vector<Acceso>{out8(PIC2, 0x8F)} + pacer(0, 0));
    const auto q = g.peticiones();
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].codigo, REQ_INT_CONTROL);
    EXPECT_EQ(q[0].tam_entrada, 2u);
    EXPECT_EQ(q[0].tam_salida, 2u);
    EXPECT_EQ(q[0].entrada, (std::vector<uint8_t>{1, 0}));  // sub-command 1

    // Accepted every time once started.
    g.sucesos.clear();
    EXPECT_EQ(W_7240_AD_INT_Stop(0, nullptr), ERR_None);
    EXPECT_EQ(g.puertos().front(), out8(PIC2, 0x8F));
}

struct Linea {
    const char *nombre;
    uint32_t irq;
    std::vector<Acceso> inicio, parada;  // 8259 accesses of a start and of its stop
};

class Mascaras : public Adquisicion, public ::testing::WithParamInterface<Linea> {};

TEST_P(Mascaras, StartUnmasksAndStopRestores) {
    abrir(GetParam().irq);
    g.lecturas[PIC1] = {0xFF};
    g.lecturas[PIC2] = {0xFF};
    auto pic = [&] {
        std::vector<Acceso> v;
        for (const Acceso &a : g.puertos())
            if (a.puerto == PIC1 || a.puerto == PIC2) v.push_back(a);
        g.sucesos.clear();
        return v;
    };
    uint16_t buffer[8];
    ASSERT_EQ(W_7240_AD_INT_Start(0, 0, 0, 0, 8, buffer, 10, 10), ERR_None);
    EXPECT_EQ(pic(), GetParam().inicio);
    ASSERT_EQ(W_7240_AD_INT_Stop(0, nullptr), ERR_None);
    EXPECT_EQ(pic(), GetParam().parada);
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 8, buffer, 10, 10), ERR_None);
    EXPECT_EQ(pic(), GetParam().inicio);
    ASSERT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_None);
    EXPECT_EQ(pic(), GetParam().parada);
}

// Lines above 15 have no mask bit: nothing is read or written for them.
INSTANTIATE_TEST_SUITE_P(
    Tabla, Mascaras,
    ::testing::Values(Linea{"line_3", 3, {in8(PIC1, 0xFF), out8(PIC1, 0xF7)}, {out8(PIC1, 0xFF)}},
                      Linea{"line_8", 8, {in8(PIC1, 0xFF), out8(PIC1, 0xFB), in8(PIC2, 0xFF), out8(PIC2, 0xFE)},
                            {out8(PIC2, 0xFF)}},
                      Linea{"line_15", 15, {in8(PIC1, 0xFF), out8(PIC1, 0xFB), in8(PIC2, 0xFF), out8(PIC2, 0x7F)},
                            {out8(PIC2, 0xFF)}},
                      Linea{"line_16", 16, {}, {}}),
    [](const auto &i) { return std::string(i.param.nombre); });

// No interrupt line: range, channel and autoscan are set and nothing else is
// armed; the stop is accepted and writes no mask back.
TEST_F(Adquisicion, IntStartWithoutInterruptLineReturnsEarly) {
    abrir(0xFF);
    uint16_t buffer[8];
    ASSERT_EQ(W_7240_AD_INT_Start(0, 1, 7, 4, 8, buffer, 10, 10), ERR_None);
    const uint16_t w = 4 << 9 | 7 << 5;
    EXPECT_EQ(g.puertos(), (pacer(0, 0) + std::vector<Acceso>{out16(CTRL, 4 << 9), out16(CTRL, w),
                                                             out16(CTRL, w | 0x10)}));
    EXPECT_TRUE(g.peticiones().empty());
    EXPECT_EQ(g.contar(Tipo::Interrupciones), 0);
    EXPECT_EQ(card_of(0).adControl & AD_MODE_MASK, 0);

    g.sucesos.clear();
    EXPECT_EQ(W_7240_AD_INT_Stop(0, nullptr), ERR_None);
    EXPECT_EQ(g.puertos(), pacer(0, 0));
}

TEST_F(Adquisicion, RefusedSetupShowsErrorAndStillRuns) {
    g.respuestas.push_back(Respuesta{.hecha = false, .salida = {}, .error = 1});
    g.respuestas.push_back(respuesta({}));
    uint16_t buffer[8];
    EXPECT_EQ(W_7240_AD_INT_Start(0, 0, 0, 0, 8, buffer, 10, 10), ERR_None);
    EXPECT_EQ(g.mensajes(), std::vector<std::string>{"Error"});
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(palabras(p[1].entrada), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0}));
}

// ---------------------------------------------------------------- waiting start

// A driver that answers the interrupt control request with both whole words,
// as the card driver does whatever length is declared; the rest goes to the
// recording platform.
struct Control {
    std::deque<uint32_t> estados;  // the last repeats
    std::vector<uint32_t> subordenes;
};
Control control;

int peticion_control(canal7240 c, uint32_t codigo, const void *in, uint32_t tin, void *out,
                     uint32_t tout, uint32_t *devueltos) {
    if (c != w7240::lib.cardDriver || codigo != REQ_INT_CONTROL)
        return grabadora::tabla()->peticion(c, codigo, in, tin, out, tout, devueltos);
    uint32_t w[2];
    std::memcpy(w, in, 8);
    control.subordenes.push_back(w[0]);
    const uint32_t estado = control.estados.front();
    if (control.estados.size() > 1) control.estados.pop_front();
    const uint32_t respuesta[2] = {123, w[0] == 1 ? 0 : estado};
    std::memcpy(out, respuesta, 8);
    return 1;
}

class Espera : public Adquisicion {
protected:
    plataforma7240 tabla = *grabadora::tabla();
    void SetUp() override {
        tabla.peticion = peticion_control;
        control = {};
        g.reiniciar();
        ASSERT_TRUE(w7240::cargar(&tabla));
        guion_tarjeta();
        ASSERT_EQ(W_7240_Initial(0, nullptr, nullptr), ERR_None);
        g.sucesos.clear();
        g.frecuencia = 1000;  // no settling wait; the bound counts 1000 a second
        g.paso_contador = 0;
        g.lecturas[PIC1] = {0xFF};
        g.lecturas[PIC2] = {0xFF};
        g.respuestas.push_back(respuesta({}));
        g.respuestas.push_back(respuesta({}));
    }
};

TEST_F(Espera, WaitsForFinishedThenStops) {
    control.estados = {1, 1, 1, 0};
    uint16_t buffer[8];
    EXPECT_EQ(V_7240_AD_INT_Start(0, 0, 3, 0, 8, buffer, 10, 10), ERR_None);
    EXPECT_EQ(control.subordenes, (std::vector<uint32_t>{0, 0, 0, 0, 1}));
    // The stop restored the slave mask and parked the pacer.
    const auto p = g.puertos();
    EXPECT_EQ(std::vector<Acceso>(p.end() - 7, p.end()), std::vector<Acceso>{out8(PIC2, 0xFF)} + pacer(0, 0));
}

// A driver that never reports finished: the wait ends after the acquisition's
// duration (1000 x 1000 / 10 MHz = 0.1 s) plus one second, with the
// acquisition stopped and result 28.
TEST_F(Espera, BoundedWaitStopsAndReportsTimeout) {
    control.estados = {1};
    g.paso_contador = 10;  // 10 ms of the 1000-a-second counter per read
    std::vector<uint16_t> buffer(1000);
    EXPECT_EQ(V_7240_AD_INT_Start(0, 0, 3, 0, 1000, buffer.data(), 10, 100), ERR_AD_Timeout);
    ASSERT_GE(control.subordenes.size(), 2u);
    EXPECT_EQ(control.subordenes.back(), 1u);
    const size_t informes = control.subordenes.size() - 1;
    EXPECT_GE(informes, 105u);  // 1.1 s / 10 ms, give or take the first read
    EXPECT_LE(informes, 112u);
    EXPECT_EQ(g.puertos().back(), pacer(0, 0).back());
}

// ---------------------------------------------------------------- single DMA

TEST_F(Adquisicion, DmaStatusAndStopsBeforeAnyStartAre26) {
    int32_t a = -7, b = -7;
    EXPECT_EQ(W_7240_AD_DMA_Status(0, &a, &b), ERR_DMA_Not_Started);
    EXPECT_EQ(W_7240_AD_DMA_Stop(0, &a), ERR_DMA_Not_Started);
    EXPECT_EQ(W_7240_ContDmaStop(0), ERR_DMA_Not_Started);
    EXPECT_EQ(a, -7);
    EXPECT_EQ(b, -7);
    EXPECT_TRUE(g.sucesos.empty());
}

TEST_F(Adquisicion, DmaStartResetsBridgeAndGoesInOrder) {
    g.lecturas[PIC2] = {0xF4};
    g.lecturas[INTCSR] = {0x00400000};
    // Master CSR: two reads in the reset, then busy twice, then ready.
    g.lecturas[MASTER] = {0x11, 0x22, 0x20, 0x20, 0x00, 0x0E000200};
    g.respuestas.push_back(respuesta({0, 0, 0x1F000000}));  // bus address
    g.respuestas.push_back(respuesta({}));
    std::vector<uint16_t> buffer(1000);
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 5, 1, 1000, buffer.data(), 4, 5), ERR_None);

    const uint16_t w = 1 << 9 | 5 << 5;
    EXPECT_EQ(g.puertos(), ((std::vector<Acceso>{in8(PIC1, 0xFF), out8(PIC1, 0xFB), in8(PIC2, 0xF4), out8(PIC2, 0xF0),
                                   out16(CTRL, 1 << 9), out16(CTRL, 1 << 9), out16(CTRL, w),
                                   // the bridge reset
                                   out32(WCOUNT, 0x100), out32(MASTER, 0x0E000000), out32(MASTER, 0),
                                   out32(INTCSR, 0x00BF0000), out32(INTCSR, 0), out32(INTCSR, 0x28004000),
                                   in32(INTCSR, 0x00400000), out32(INTCSR, 0x00FF0000), in32(INTCSR, 0x00400000),
                                   in32(MASTER, 0x11), out32(MASTER, 0x0E000211), in32(MASTER, 0x22),
                                   out32(WADDR, 0x1F000000), out32(WCOUNT, 2000), out16(CTRL, w | 5)}) +
                  pacer(4, 5) +
                  std::vector<Acceso>{in32(MASTER, 0x20), in32(MASTER, 0x20), in32(MASTER, 0x00),
                                      in32(MASTER, 0x0E000200), out32(MASTER, 0x0E000600)}));
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].codigo, REQ_DMA_BUFFER);
    EXPECT_EQ(palabras(p[0].entrada),
              (std::vector<uint32_t>{0, 2000, 10, bajo(buffer.data()), 0, alto(buffer.data()), 0}));
    EXPECT_EQ(p[0].tam_salida, 24u);
    EXPECT_EQ(p[1].codigo, REQ_DMA_IRQ);
    EXPECT_EQ(palabras(p[1].entrada), (std::vector<uint32_t>{OP, IO, 0, 10, 0, 0, 0}));
    EXPECT_EQ(p[1].tam_salida, 24u);
    EXPECT_EQ(card_of(0).dmaRunning, 1u);
    EXPECT_EQ(card_of(0).dmaBytes, 2000u);
}

// 1000 samples, the bridge's count reading 1500: 250 transferred. The
// finished report of the driver is kept until the next single start.
TEST_F(Adquisicion, DmaStatusCountsFromTheBridgeAndKeepsFinished) {
    g.lecturas[MASTER] = {0};
    g.respuestas.push_back(respuesta({0, 0, 0x1000}));
    g.respuestas.push_back(respuesta({}));
    std::vector<uint16_t> buffer(1000);
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 1000, buffer.data(), 10, 10), ERR_None);
    g.sucesos.clear();
    g.lecturas[WCOUNT] = {1500};
    int32_t estado = -7, cuenta = -7;
    g.respuestas.push_back(respuesta({1}));
    ASSERT_EQ(W_7240_AD_DMA_Status(0, &estado, &cuenta), ERR_None);
    EXPECT_EQ(estado, 1);
    EXPECT_EQ(cuenta, 250);
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].codigo, REQ_DMA_STATUS);
    EXPECT_EQ(p[0].tam_entrada, 40u);
    EXPECT_EQ(p[0].tam_salida, 40u);
    EXPECT_EQ(palabras(p[0].entrada)[1], 0u);
    EXPECT_EQ(g.puertos(), std::vector<Acceso>{in32(WCOUNT, 1500)});

    g.lecturas[WCOUNT] = {0};
    g.respuestas.push_back(respuesta({0}));
    g.respuestas.push_back(respuesta({1}));
    ASSERT_EQ(W_7240_AD_DMA_Status(0, &estado, &cuenta), ERR_None);
    EXPECT_EQ(estado, 0);
    EXPECT_EQ(cuenta, 1000);
    ASSERT_EQ(W_7240_AD_DMA_Status(0, &estado, &cuenta), ERR_None);
    EXPECT_EQ(estado, 0);  // dmaDone holds though the driver says running
    // Signed arithmetic, rounding toward zero.
    g.lecturas[WCOUNT] = {2003};
    g.respuestas.push_back(respuesta({1}));
    ASSERT_EQ(W_7240_AD_DMA_Status(0, &estado, &cuenta), ERR_None);
    EXPECT_EQ(cuenta, -1);
}

TEST_F(Adquisicion, DmaStopThenSecondStopIs26) {
    g.lecturas[MASTER] = {0};
    uint16_t buffer[8];
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 2, 0, 8, buffer, 10, 10), ERR_None);
    g.sucesos.clear();
    int32_t intacto = -7;
    ASSERT_EQ(W_7240_AD_DMA_Stop(0, &intacto), ERR_None);
    EXPECT_EQ(intacto, -7);
    const uint16_t w = 2 << 5;
    EXPECT_EQ(g.puertos(), std::vector<Acceso>{out16(CTRL, w)} + pacer(0, 0) +
                               std::vector<Acceso>{out8(PIC2, 0xFF)});
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].codigo, REQ_DMA_STOP);
    EXPECT_EQ(p[0].tam_entrada, 40u);
    EXPECT_EQ(palabras(p[0].entrada)[1], 0u);
    EXPECT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_DMA_Not_Started);
}

TEST_F(Adquisicion, RangeChecksOfTheDmaStarts) {
    uint16_t buffer[8];
    EXPECT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 16, 8, buffer, 10, 10), ERR_AD_Range);
    EXPECT_EQ(W_7240_AD_DMA_Start(0, 0, 16, 0, 8, buffer, 10, 10), ERR_AD_Channel);
    EXPECT_EQ(W_7240_ContDmaStart(0, 0, -1, 0, 8, buffer, 10, 10), ERR_AD_Channel);
    EXPECT_TRUE(g.sucesos.empty());
    EXPECT_EQ(card_of(0).dmaRunning, 0u);
    // The continuous start does not test the range: 16 keeps range code 0.
    g.lecturas[MASTER] = {0};
    card_of(0).adControl = 3 << 9;
    EXPECT_EQ(W_7240_ContDmaStart(0, 0, 0, 16, 8, buffer, 10, 10), ERR_None);
    const auto p = g.puertos();
    const auto primero = std::find_if(p.begin(), p.end(), [](const Acceso &a) { return a.puerto == CTRL; });
    ASSERT_NE(primero, p.end());
    EXPECT_EQ(*primero, out16(CTRL, 0));
}

// A bridge that never becomes ready: after 100,000 reads the start gives up,
// undoes itself as a stop would, and reports 28.
TEST_F(Adquisicion, BusMasterGoIsBounded) {
    g.lecturas[MASTER] = {0x20};
    uint16_t buffer[8];
    EXPECT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 8, buffer, 10, 10), ERR_AD_Timeout);
    const auto p = g.puertos();
    const auto lecturas = std::count(p.begin(), p.end(), in32(MASTER, 0x20));
    EXPECT_EQ(lecturas, 2 + 100000);  // two in the reset
    EXPECT_EQ(std::count_if(p.begin(), p.end(),
                            [](const Acceso &a) { return a.tipo == Tipo::Salida && a.puerto == MASTER && (a.valor & 0x400); }),
              0);
    EXPECT_EQ(codigos(), (std::vector<uint32_t>{REQ_DMA_BUFFER, REQ_DMA_IRQ, REQ_DMA_STOP}));
    EXPECT_EQ(p.back(), out8(PIC2, 0xFF));
    EXPECT_EQ(card_of(0).dmaRunning, 0u);

    g.sucesos.clear();
    EXPECT_EQ(W_7240_ContDmaStart(0, 0, 0, 0, 8, buffer, 10, 10), ERR_AD_Timeout);
    EXPECT_EQ(codigos(), (std::vector<uint32_t>{REQ_CONT_BUFFER, REQ_CONT_IRQ, REQ_CONT_STOP}));
    EXPECT_EQ(card_of(0).dmaRunning, 0u);
}

// ---------------------------------------------------------------- continuous DMA

TEST_F(Adquisicion, ContinuousStartRequests) {
    g.lecturas[MASTER] = {0};
    g.respuestas.push_back(respuesta({0, 0, 0x2000}));
    g.respuestas.push_back(respuesta({}));
    std::vector<uint16_t> buffer(2048);
    ASSERT_EQ(W_7240_ContDmaStart(0, 1, 4, 0, 2048, buffer.data(), 2, 50), ERR_None);
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].codigo, REQ_CONT_BUFFER);
    EXPECT_EQ(palabras(p[0].entrada),
              (std::vector<uint32_t>{0, 2048, 10, bajo(buffer.data()), 0, alto(buffer.data()), 0}));
    EXPECT_EQ(p[1].codigo, REQ_CONT_IRQ);
    EXPECT_EQ(palabras(p[1].entrada),
              (std::vector<uint32_t>{OP, IO, 0, bajo(buffer.data()), 0, alto(buffer.data()), 0}));
    EXPECT_EQ(p[1].tam_salida, 1u);
    // The pacer is parked first, the dividers come after mode 5.
    const auto a = g.puertos();
    EXPECT_EQ(std::vector<Acceso>(a.begin(), a.begin() + 6), pacer(0, 0));
    const std::vector<Acceso> puente{out32(WADDR, 0x2000), out32(WCOUNT, 2048)};
    EXPECT_NE(std::search(a.begin(), a.end(), puente.begin(), puente.end()), a.end());
    const std::vector<Acceso> cola = std::vector<Acceso>{out16(CTRL, 4 << 5 | 0x10 | 5)} + pacer(2, 50) +
                                     std::vector<Acceso>{in32(MASTER, 0), in32(MASTER, 0), out32(MASTER, 0x400)};
    EXPECT_EQ(std::vector<Acceso>(a.end() - long(cola.size()), a.end()), cola);
    EXPECT_EQ(card_of(0).dmaBytes, 2048u);
}

TEST_F(Adquisicion, ContinuousStopAfterSingleStartIsAccepted) {
    g.lecturas[MASTER] = {0};
    uint16_t buffer[8];
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 6, 0, 8, buffer, 10, 10), ERR_None);
    g.sucesos.clear();
    card_of(0).adControl = 6 << 5 | 5;
    g.lecturas[MASTER] = {0x0E000600};
    ASSERT_EQ(W_7240_ContDmaStop(0), ERR_None);
    EXPECT_EQ(g.puertos(), (std::vector<Acceso>{in32(MASTER, 0x0E000600), out16(CTRL, 6 << 5)} + pacer(0, 0) +
                               std::vector<Acceso>{out32(CTRL, 0), out32(MASTER, 0x0E000200), out8(PIC2, 0xFF)}));
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].codigo, REQ_CONT_STOP);
    EXPECT_EQ(p[0].tam_entrada, 24u);
    EXPECT_EQ(p[0].tam_salida, 0u);
    EXPECT_EQ(card_of(0).adControl, 6 << 5);  // shadow keeps its fields, mode 0
    int32_t a, b;
    EXPECT_EQ(W_7240_AD_DMA_Status(0, &a, &b), ERR_DMA_Not_Started);  // shared flag cleared
}

TEST_F(Adquisicion, HalfReadyAndOverrunAskTheDriverWithoutCardCheck) {
    int32_t listo = -7, overrun = -7;
    g.respuestas.push_back(respuesta({1, 0, 1}));
    EXPECT_EQ(W_7240_CheckHalfReady(3, &listo), ERR_None);  // card 3 never opened
    EXPECT_EQ(listo, 1);
    g.respuestas.push_back(respuesta({1, 0, 2}));
    EXPECT_EQ(W_7240_CheckHalfReady(3, &listo), ERR_None);
    EXPECT_EQ(listo, 0);  // only the value 1 is "ready"
    g.respuestas.push_back(respuesta({1, 7}));
    EXPECT_EQ(W_7240_GetOverrunStatus(3, &overrun), ERR_None);
    EXPECT_EQ(overrun, 7);
    for (const auto &p : g.peticiones()) {
        EXPECT_EQ(p.codigo, REQ_CONT_HALF);
        EXPECT_EQ(palabras(p.entrada), (std::vector<uint32_t>{3, 0, 0, 0, 0, 0}));
        EXPECT_EQ(p.tam_salida, 24u);
        EXPECT_TRUE(p.con_devueltos);
    }
    EXPECT_TRUE(g.puertos().empty());

    // The driver's "ended" sets the library-wide finished flag.
    g.lecturas[MASTER] = {0};
    uint16_t buffer[8];
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 8, buffer, 10, 10), ERR_None);
    g.respuestas.clear();
    g.respuestas.push_back(respuesta({0, 0, 0}));
    EXPECT_EQ(W_7240_CheckHalfReady(0, &listo), ERR_None);
    g.respuestas.push_back(respuesta({1}));
    int32_t estado = -7;
    EXPECT_EQ(W_7240_AD_DMA_Status(0, &estado, nullptr), ERR_None);
    EXPECT_EQ(estado, 0);
}

TEST_F(Adquisicion, DblBufferTransferCopiesTheHalfThenReleasesIt) {
    card_of(0).dmaBytes = 8;
    const uint16_t mitad[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    uint16_t destino[6] = {};
    g.respuestas.push_back(respuesta({1, 0, 1, 0, bajo(mitad), alto(mitad)}));
    g.respuestas.push_back(respuesta({}));
    EXPECT_EQ(W_7240_DblBufferTransfer(0, destino), ERR_None);
    EXPECT_EQ(std::vector<uint16_t>(destino, destino + 6),
              (std::vector<uint16_t>{0x1111, 0x2222, 0x3333, 0x4444, 0, 0}));
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(p[i].codigo, REQ_CONT_HALF);
        EXPECT_EQ(p[i].tam_entrada, 40u);
        EXPECT_FALSE(p[i].con_devueltos);
        EXPECT_EQ(palabras(p[i].entrada)[0], 0u);
        EXPECT_EQ(palabras(p[i].entrada)[1], uint32_t(i));
    }
    // A driver that gives no address: nothing is copied, the release is sent.
    g.sucesos.clear();
    uint16_t otro[4] = {9, 9, 9, 9};
    EXPECT_EQ(W_7240_DblBufferTransfer(0, otro), ERR_None);
    EXPECT_EQ(otro[0], 9);
    EXPECT_EQ(g.peticiones().size(), 2u);
}

// ---------------------------------------------------------------- DMA memory and samples

struct CasoMemoria {
    const char *nombre;
    Respuesta respuesta;
    int32_t resultado;
    uint32_t direccion, segunda;
};

class Memoria : public Adquisicion, public ::testing::WithParamInterface<CasoMemoria> {};

TEST_P(Memoria, AllocWritesBothWordsAlways) {
    g.respuestas.push_back(GetParam().respuesta);
    uint32_t direccion = 7, segunda = 7;
    EXPECT_EQ(W_7240_Alloc_DMA_Mem(2, &direccion, &segunda), GetParam().resultado);
    EXPECT_EQ(direccion, GetParam().direccion);
    EXPECT_EQ(segunda, GetParam().segunda);
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].codigo, REQ_MEM_ALLOC);
    EXPECT_EQ(p[0].tam_entrada, 48u);
    EXPECT_EQ(p[0].tam_salida, 48u);
    EXPECT_FALSE(p[0].con_devueltos);
    EXPECT_EQ(palabras(p[0].entrada)[0], 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, Memoria,
    ::testing::Values(CasoMemoria{"granted", respuesta({0x00123000, 0x100000}), 0, 0x00123000, 0x100000},
                      CasoMemoria{"none", respuesta({0xFFFFFFFF, 5}), 36, 0xFFFFFFFF, 5},
                      CasoMemoria{"not_carried_out", Respuesta{.hecha = false, .salida = {}, .error = 1}, 36, 0xFFFFFFFF, 0}),
    [](const auto &i) { return std::string(i.param.nombre); });

TEST_F(Adquisicion, FreeAndGetSample) {
    EXPECT_EQ(W_7240_Free_DMA_Mem(1), ERR_None);
    const auto p = g.peticiones();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].codigo, REQ_MEM_FREE);
    EXPECT_EQ(p[0].tam_entrada, 48u);
    EXPECT_EQ(palabras(p[0].entrada)[0], 1u);

    const uint16_t muestras[5] = {10, 11, 12, 0xBEEF, 14};
    uint16_t m = 0;
    EXPECT_EQ(W_7240_Get_Sample(muestras, 3, &m), ERR_None);
    EXPECT_EQ(m, 0xBEEF);
    m = 7;
    EXPECT_EQ(W_7240_Get_Sample(nullptr, 3, &m), ERR_None);
    EXPECT_EQ(m, 7);
}

}  // namespace
