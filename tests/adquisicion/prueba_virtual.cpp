// Acquisitions that a user runs, through lib7240.so on the virtual card
// (TARJETA7240=virtual): the pacer really paces, the driver's handler really
// fills the caller's buffers, counts and statuses are what happened.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "7240.h"
#include "tarjeta_virtual.h"

namespace {

using namespace std::chrono_literals;
using reloj = std::chrono::steady_clock;

// Code of a voltage at range 0 (-5 V to +5 V) and range 4 (0 V to 10 V).
uint16_t codigo(double voltios, double minimo, double maximo) {
    const double c = std::trunc(4096.0 / (maximo - minimo) * (voltios - minimo));
    return uint16_t(std::clamp(c, 0.0, 4095.0));
}

class Virtual : public ::testing::Test {
protected:
    void SetUp() override {
        tarjeta_virtual_reiniciar();
        int32_t io = 0, irq = 0;
        ASSERT_EQ(W_7240_Initial(0, &io, &irq), ERR_None);
        ASSERT_EQ(irq, 10);
    }

    // Polls the interrupt status until finished; false after 5 s.
    static bool esperar_int(int32_t &cuenta) {
        const auto fin = reloj::now() + 5s;
        int32_t estado = 1;
        while (reloj::now() < fin) {
            EXPECT_EQ(W_7240_AD_INT_Status(0, &estado, &cuenta), ERR_None);
            if (estado == 0) return true;
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }

    static std::pair<uint8_t, uint8_t> mascaras() {
        uint8_t m = 0, e = 0;
        tarjeta_virtual_mascaras_8259(&m, &e);
        return {m, e};
    }
};

// A buffer that lies above 4 GiB in the address space.
struct MemoriaAlta {
    size_t bytes;
    void *p;
    explicit MemoriaAlta(size_t n) : bytes(n) {
        p = mmap(reinterpret_cast<void *>(uintptr_t(0x600000000000ull)), bytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    }
    ~MemoriaAlta() {
        if (p != MAP_FAILED) munmap(p, bytes);
    }
    uint16_t *muestras() const { return static_cast<uint16_t *>(p); }
};

TEST_F(Virtual, PacerAndCounterZeroCount) {
    uint64_t ticks = 0;
    ASSERT_EQ(W_7240_AD_Timer(0, 4, 5), ERR_None);
    ASSERT_EQ(tarjeta_virtual_periodo_pacer(0, &ticks), 0);
    EXPECT_EQ(ticks, 20u);
    ASSERT_EQ(W_7240_AD_Timer(0, 0, 0), ERR_None);
    ASSERT_EQ(tarjeta_virtual_periodo_pacer(0, &ticks), 0);
    EXPECT_EQ(ticks, 65536ull * 65536ull);
    EXPECT_EQ(W_7240_AD_Timer(0, 4, 4), ERR_Timer_Divider);
    ASSERT_EQ(tarjeta_virtual_periodo_pacer(0, &ticks), 0);
    EXPECT_EQ(ticks, 65536ull * 65536ull);  // unchanged

    // Counter 0 counts down at 10 MHz as it is read.
    ASSERT_EQ(W_7240_TIMER_Start(0, 2, 60000), ERR_None);
    int32_t a = -1, b = -1;
    ASSERT_EQ(W_7240_TIMER_Read(0, &a), ERR_None);
    std::this_thread::sleep_for(1ms);
    ASSERT_EQ(W_7240_TIMER_Read(0, &b), ERR_None);
    EXPECT_GE(a, 1);
    EXPECT_LE(a, 60000);
    EXPECT_GE(b, 1);
    EXPECT_LE(b, 60000);
    EXPECT_NE(a, b);
    ASSERT_EQ(W_7240_TIMER_Stop(0, &a), ERR_None);
    EXPECT_GE(a, 1);
    EXPECT_LE(a, 60000);
}

struct Tension {
    const char *nombre;
    double voltios;
    int32_t rango;
    uint16_t codigo;
};

class Interrupcion : public Virtual, public ::testing::WithParamInterface<Tension> {};

// 1,000 samples of channel 3 at 100,000 a second: every data word carries
// channel 3 and the code of the voltage set on the card.
TEST_P(Interrupcion, ThousandSamplesFollowTheVoltage) {
    const Tension &t = GetParam();
    ASSERT_EQ(tarjeta_virtual_fijar_voltios(0, 3, t.voltios), 0);
    ASSERT_EQ(tarjeta_virtual_fijar_voltios(0, 2, 4.0), 0);  // another channel, not sampled
    std::vector<uint16_t> buffer(1000, 0xFFFF);
    ASSERT_EQ(W_7240_AD_INT_Start(0, 0, 3, t.rango, 1000, buffer.data(), 2, 50), ERR_None);
    EXPECT_EQ(mascaras(), std::make_pair(uint8_t(0xFB), uint8_t(0xFB)));
    int32_t cuenta = -1;
    ASSERT_TRUE(esperar_int(cuenta));
    EXPECT_EQ(cuenta, 1000);
    for (size_t i = 0; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i] & 0x0F, 3) << i;
        ASSERT_EQ(buffer[i] >> 4, t.codigo) << i;
    }
    ASSERT_EQ(W_7240_AD_INT_Stop(0, &cuenta), ERR_None);
    EXPECT_EQ(cuenta, 1000);
    EXPECT_EQ(mascaras(), std::make_pair(uint8_t(0xFB), uint8_t(0xFF)));
}

INSTANTIATE_TEST_SUITE_P(Tabla, Interrupcion,
                         ::testing::Values(Tension{"plus_2_5_V", 2.5, 0, 3072}, Tension{"minus_5_V", -5.0, 0, 0},
                                           Tension{"one_volt_unipolar", 1.0, 4, codigo(1.0, 0, 10)},
                                           Tension{"above_span", 7.0, 0, 4095}),
                         [](const auto &i) { return std::string(i.param.nombre); });

TEST_F(Virtual, WaitingStartReturnsWithTheSamplesIn) {
    tarjeta_virtual_fijar_voltios(0, 3, -2.5);
    std::vector<uint16_t> buffer(1000, 0xFFFF);
    const auto t0 = reloj::now();
    ASSERT_EQ(V_7240_AD_INT_Start(0, 0, 3, 0, 1000, buffer.data(), 10, 100), ERR_None);  // 10 kHz
    EXPECT_GE(reloj::now() - t0, 95ms);
    for (uint16_t w : buffer) ASSERT_EQ(w, codigo(-2.5, -5, 5) << 4 | 3);
    int32_t estado = -1, cuenta = -1;
    ASSERT_EQ(W_7240_AD_INT_Status(0, &estado, &cuenta), ERR_None);
    EXPECT_EQ(estado, 0);
    EXPECT_EQ(cuenta, 1000);
    EXPECT_EQ(mascaras().second, 0xFF);
}

// Autoscan takes channels 0 up to the one set, in turn.
TEST_F(Virtual, AutoscanGoesThroughTheChannels) {
    const double v[4] = {-4.0, -2.0, 0.0, 2.0};
    for (int c = 0; c < 4; ++c) tarjeta_virtual_fijar_voltios(0, c, v[c]);
    std::vector<uint16_t> buffer(40);
    ASSERT_EQ(V_7240_AD_INT_Start(0, 1, 3, 0, 40, buffer.data(), 2, 50), ERR_None);
    for (size_t i = 0; i < buffer.size(); ++i) {
        const int c = int(i % 4);
        ASSERT_EQ(buffer[i], codigo(v[c], -5, 5) << 4 | c) << i;
    }
}

// Stopped early, the driver reports the samples it stored and stores no more.
TEST_F(Virtual, StopEndsTheAcquisitionAndReportsItsCount) {
    std::vector<uint16_t> buffer(100000, 0xFFFF);
    ASSERT_EQ(W_7240_AD_INT_Start(0, 0, 0, 0, 100000, buffer.data(), 100, 100), ERR_None);  // 1 kHz
    std::this_thread::sleep_for(30ms);
    int32_t cuenta = -1;
    ASSERT_EQ(W_7240_AD_INT_Stop(0, &cuenta), ERR_None);
    EXPECT_GE(cuenta, 20);
    EXPECT_LT(cuenta, 2000);
    std::this_thread::sleep_for(20ms);
    for (int i = 0; i < cuenta; ++i) ASSERT_NE(buffer[i], 0xFFFF) << i;
    for (size_t i = size_t(cuenta); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xFFFF) << i;
    int32_t estado = -1;
    ASSERT_EQ(W_7240_AD_INT_Status(0, &estado, nullptr), ERR_None);
    EXPECT_EQ(estado, 0);
}

TEST_F(Virtual, SingleBufferDma) {
    tarjeta_virtual_fijar_voltios(0, 5, 1.25);
    std::vector<uint16_t> buffer(1000, 0xFFFF);
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 5, 0, 1000, buffer.data(), 2, 50), ERR_None);
    const auto fin = reloj::now() + 5s;
    int32_t estado = 1, cuenta = -1;
    while (estado != 0 && reloj::now() < fin) {
        ASSERT_EQ(W_7240_AD_DMA_Status(0, &estado, &cuenta), ERR_None);
        ASSERT_GE(cuenta, 0);
        ASSERT_LE(cuenta, 1000);
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(estado, 0);
    EXPECT_EQ(cuenta, 1000);
    for (uint16_t w : buffer) ASSERT_EQ(w, codigo(1.25, -5, 5) << 4 | 5);
    EXPECT_EQ(mascaras().second, 0xFB);
    ASSERT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_None);
    EXPECT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_DMA_Not_Started);
    EXPECT_EQ(mascaras().second, 0xFF);
}

// Copies `mitades` halves of a continuous acquisition as they become ready,
// checking each word; returns the overrun indication.
int32_t copiar_mitades(int mitades, size_t muestras_mitad, uint16_t palabra) {
    std::vector<uint16_t> destino(muestras_mitad);
    const auto fin = reloj::now() + 10s;
    int copiadas = 0;
    while (copiadas < mitades && reloj::now() < fin) {
        int32_t lista = 0;
        EXPECT_EQ(W_7240_CheckHalfReady(0, &lista), ERR_None);
        if (!lista) {
            std::this_thread::sleep_for(1ms);
            continue;
        }
        std::fill(destino.begin(), destino.end(), 0xFFFF);
        EXPECT_EQ(W_7240_DblBufferTransfer(0, destino.data()), ERR_None);
        for (size_t i = 0; i < destino.size(); ++i)
            if (destino[i] != palabra) {
                ADD_FAILURE() << "half " << copiadas << " word " << i << ": " << destino[i];
                break;
            }
        ++copiadas;
    }
    EXPECT_EQ(copiadas, mitades);
    int32_t overrun = -1;
    EXPECT_EQ(W_7240_GetOverrunStatus(0, &overrun), ERR_None);
    return overrun;
}

// Halves of 16,384 samples at 100,000 a second (164 ms each, a margin that a
// loaded machine's scheduling does not eat): a caller that keeps up copies
// every half with no overrun; one that stops copying is told of the overrun.
TEST_F(Virtual, ContinuousHalvesAndOverrun) {
    tarjeta_virtual_fijar_voltios(0, 6, -1.0);
    const uint16_t palabra = uint16_t(codigo(-1.0, -5, 5) << 4 | 6);
    constexpr size_t mitad = 16384;
    std::vector<uint16_t> buffer(2 * mitad);
    ASSERT_EQ(W_7240_ContDmaStart(0, 0, 6, 0, int32_t(mitad * 2), buffer.data(), 2, 50), ERR_None);
    EXPECT_EQ(copiar_mitades(4, mitad, palabra), 0);

    std::this_thread::sleep_for(500ms);  // the caller falls behind by more than a half
    int32_t overrun = -1;
    ASSERT_EQ(W_7240_GetOverrunStatus(0, &overrun), ERR_None);
    EXPECT_EQ(overrun, 1);
    uint64_t perdidas = 0;
    ASSERT_EQ(tarjeta_virtual_perdidas(0, &perdidas), 0);
    EXPECT_GT(perdidas, 0u);
    // What was kept is still whole, and the acquisition goes on.
    EXPECT_EQ(copiar_mitades(3, mitad, palabra), 1);
    ASSERT_EQ(W_7240_ContDmaStop(0), ERR_None);
    EXPECT_EQ(W_7240_ContDmaStop(0), ERR_DMA_Not_Started);
    EXPECT_EQ(mascaras().second, 0xFF);
}

// Buffers above 4 GiB: the addresses reach the driver whole.
TEST_F(Virtual, BuffersAboveFourGiB) {
    MemoriaAlta alta(1 << 20);
    ASSERT_NE(alta.p, MAP_FAILED);
    ASSERT_GT(uintptr_t(alta.p), uintptr_t(0xFFFFFFFFu));
    tarjeta_virtual_fijar_voltios(0, 1, 3.0);
    const uint16_t palabra = uint16_t(codigo(3.0, -5, 5) << 4 | 1);
    uint16_t *m = alta.muestras();

    ASSERT_EQ(V_7240_AD_INT_Start(0, 0, 1, 0, 500, m, 2, 50), ERR_None);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(m[i], palabra) << i;

    std::fill(m, m + 1000, 0);
    ASSERT_EQ(W_7240_AD_DMA_Start(0, 0, 1, 0, 1000, m, 2, 50), ERR_None);
    int32_t estado = 1, cuenta = 0;
    for (auto fin = reloj::now() + 5s; estado != 0 && reloj::now() < fin; std::this_thread::sleep_for(1ms))
        W_7240_AD_DMA_Status(0, &estado, &cuenta);
    EXPECT_EQ(cuenta, 1000);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(m[i], palabra) << i;
    ASSERT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_None);

    ASSERT_EQ(W_7240_ContDmaStart(0, 0, 1, 0, 32768, m, 2, 50), ERR_None);
    EXPECT_EQ(copiar_mitades(3, 16384, palabra), 0);
    ASSERT_EQ(W_7240_ContDmaStop(0), ERR_None);
}

// DMA memory from the driver lies below 4 GiB, so its 32-bit address reaches
// it; a continuous acquisition runs in it.
TEST_F(Virtual, DmaMemoryBelowFourGiB) {
    uint32_t direccion = 0, bytes = 0;
    ASSERT_EQ(W_7240_Alloc_DMA_Mem(0, &direccion, &bytes), ERR_None);
    ASSERT_NE(direccion, 0u);
    ASSERT_NE(direccion, 0xFFFFFFFFu);
    EXPECT_EQ(bytes, 1u << 20);
    auto *m = reinterpret_cast<uint16_t *>(uintptr_t(direccion));
    tarjeta_virtual_fijar_voltios(0, 0, 0.5);
    const uint16_t palabra = uint16_t(codigo(0.5, -5, 5) << 4);
    ASSERT_EQ(W_7240_ContDmaStart(0, 0, 0, 0, 32768, m, 2, 50), ERR_None);
    EXPECT_EQ(copiar_mitades(4, 16384, palabra), 0);
    uint16_t s = 0;
    EXPECT_EQ(W_7240_Get_Sample(m, 3, &s), ERR_None);
    EXPECT_EQ(s, palabra);
    ASSERT_EQ(W_7240_ContDmaStop(0), ERR_None);
    EXPECT_EQ(W_7240_Free_DMA_Mem(0), ERR_None);
    uint32_t otra = 0;
    ASSERT_EQ(W_7240_Alloc_DMA_Mem(0, &otra, &bytes), ERR_None);
    EXPECT_EQ(W_7240_Free_DMA_Mem(0), ERR_None);
}

// A bridge that never becomes ready: the starts give up, leave nothing
// running and the line masked again.
TEST_F(Virtual, BridgeThatNeverGetsReady) {
    ASSERT_EQ(tarjeta_virtual_fijar_puente_ocupado(0, 1), 0);
    std::vector<uint16_t> buffer(2000);
    EXPECT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 1000, buffer.data(), 2, 50), ERR_AD_Timeout);
    EXPECT_EQ(W_7240_AD_DMA_Status(0, nullptr, nullptr), ERR_DMA_Not_Started);
    EXPECT_EQ(mascaras().second, 0xFF);
    EXPECT_EQ(W_7240_ContDmaStart(0, 0, 0, 0, 2000, buffer.data(), 2, 50), ERR_AD_Timeout);
    EXPECT_EQ(W_7240_ContDmaStop(0), ERR_DMA_Not_Started);
    uint64_t ticks = 1;
    tarjeta_virtual_periodo_pacer(0, &ticks);
    EXPECT_EQ(ticks, 65536ull * 65536ull);  // parked
    ASSERT_EQ(tarjeta_virtual_fijar_puente_ocupado(0, 0), 0);
    EXPECT_EQ(W_7240_AD_DMA_Start(0, 0, 0, 0, 1000, buffer.data(), 2, 50), ERR_None);
    EXPECT_EQ(W_7240_AD_DMA_Stop(0, nullptr), ERR_None);
}

}  // namespace
