// Benchmark (not a test): continuous DMA acquisition on the virtual card.
//
// Finds the highest pacer rate at which a continuous double-buffered
// acquisition runs with no overrun while the caller copies every half with
// W_7240_DblBufferTransfer, and measures the processor time it costs (the
// whole process: the driver's handler thread and the caller).
//
//   TARJETA7240=virtual banco_continuo [seconds]     (default 10)
//
// Each rate is first tried for 1 s, from the fastest down; the fastest that
// passes, and 100,000 samples a second (the goal), then run for the full
// time. The reference of the same run is a plain memcpy of the bytes taken:
// the ratio says what the acquisition costs over just moving its data.

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "7240.h"
#include "tarjeta_virtual.h"

namespace {

using reloj = std::chrono::steady_clock;

// Processor time of the whole process (every thread).
double cpu_segundos() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Ritmo {
    int32_t d1, d2;
    double muestras_segundo() const { return 10e6 / (double(d1) * d2); }
};

struct Resultado {
    bool valido = false;     // no overrun, every half copied and whole
    double segundos = 0;
    double cpu = 0;          // processor seconds of the process
    uint64_t muestras = 0;   // samples copied
    uint64_t esperadas = 0;  // samples the pacer gave in the time
    int32_t overrun = 0;
    uint64_t perdidas = 0;
};

constexpr int32_t CANAL = 7;

Resultado correr(const Ritmo &r, double segundos, uint16_t *dma) {
    Resultado res;
    // Halves of 50 ms of samples.
    const size_t mitad = size_t(r.muestras_segundo() * 0.05);
    const int32_t bytes = int32_t(mitad * 2);
    std::vector<uint16_t> destino(mitad);
    const uint16_t palabra_canal = CANAL;
    uint64_t perdidas0 = 0;
    tarjeta_virtual_perdidas(0, &perdidas0);

    const double cpu0 = cpu_segundos();
    const auto t0 = reloj::now();
    if (W_7240_ContDmaStart(0, 0, CANAL, 0, bytes, dma, r.d1, r.d2) != ERR_None) return res;
    const auto fin = t0 + std::chrono::duration<double>(segundos);
    bool entero = true;
    while (reloj::now() < fin) {
        int32_t lista = 0;
        W_7240_CheckHalfReady(0, &lista);
        if (!lista) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        W_7240_DblBufferTransfer(0, destino.data());
        if ((destino.front() & 0x0F) != palabra_canal || (destino.back() & 0x0F) != palabra_canal) entero = false;
        res.muestras += mitad;
    }
    W_7240_GetOverrunStatus(0, &res.overrun);
    W_7240_ContDmaStop(0);
    res.segundos = std::chrono::duration<double>(reloj::now() - t0).count();
    res.cpu = cpu_segundos() - cpu0;
    res.esperadas = uint64_t(res.segundos * r.muestras_segundo());
    tarjeta_virtual_perdidas(0, &res.perdidas);
    res.perdidas -= perdidas0;
    // Passed: no overrun, whole halves, and all but the last half or two copied.
    res.valido = res.overrun == 0 && entero && res.muestras + 3 * mitad >= res.esperadas;
    return res;
}

double memcpy_segundos(uint64_t muestras) {
    std::vector<uint16_t> a(1 << 16, 0x1234), b(1 << 16);
    const double cpu0 = cpu_segundos();
    for (uint64_t hechas = 0; hechas < muestras; hechas += a.size()) {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        asm volatile("" : : "r"(b.data()) : "memory");
    }
    return cpu_segundos() - cpu0;
}

void informar(const char *que, const Ritmo &r, const Resultado &res) {
    std::printf("%-9s %8.0f samples/s (dividers %d x %d): %s, %.1f s, %llu of %llu samples copied (ratio %.4f), "
                "overrun %d, lost %llu, cpu %.3f s = %.2f %% of one core, %.1f ns per sample\n",
                que, r.muestras_segundo(), r.d1, r.d2, res.valido ? "kept up" : "FELL BEHIND", res.segundos,
                (unsigned long long)res.muestras, (unsigned long long)res.esperadas,
                res.esperadas ? double(res.muestras) / double(res.esperadas) : 0.0, res.overrun,
                (unsigned long long)res.perdidas, res.cpu, 100.0 * res.cpu / res.segundos,
                res.muestras ? 1e9 * res.cpu / double(res.muestras) : 0.0);
}

}  // namespace

int main(int argc, char **argv) {
    const double segundos = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!(segundos > 0)) {
        std::fprintf(stderr, "usage: %s [seconds > 0]\n", argv[0]);
        return 2;
    }
    int32_t io = 0, irq = 0;
    if (W_7240_Initial(0, &io, &irq) != ERR_None) {
        std::fprintf(stderr, "no virtual card\n");
        return 1;
    }
    tarjeta_virtual_fijar_voltios(0, CANAL, 1.0);
    uint32_t direccion = 0, tam = 0;
    if (W_7240_Alloc_DMA_Mem(0, &direccion, &tam) != ERR_None) {
        std::fprintf(stderr, "no DMA memory\n");
        return 1;
    }
    auto *dma = reinterpret_cast<uint16_t *>(uintptr_t(direccion));

    const Ritmo ritmos[] = {{2, 10}, {4, 5}, {2, 15}, {2, 20}, {2, 25}, {4, 10}, {2, 50}};
    const Ritmo objetivo{2, 50};
    const Ritmo *mejor = nullptr;
    std::printf("Continuous DMA on the virtual card, halves of 50 ms, caller polling every 2 ms\n");
    for (const Ritmo &r : ritmos) {
        const Resultado res = correr(r, 1.0, dma);
        informar("try 1 s", r, res);
        if (res.valido) {
            mejor = &r;
            break;
        }
    }
    // A full run, with the reference of the same run.
    auto completo = [&](const char *que, const Ritmo &r) {
        const Resultado res = correr(r, segundos, dma);
        informar(que, r, res);
        const double ref = memcpy_segundos(res.muestras);
        std::printf("          reference: memcpy of the same %llu samples takes %.6f s of cpu; "
                    "the acquisition costs %.1f times that\n",
                    (unsigned long long)res.muestras, ref, ref > 0 ? res.cpu / ref : 0.0);
        return res;
    };
    int salida = 0;
    while (mejor && !completo("full run", *mejor).valido)
        mejor = mejor == std::end(ritmos) - 1 ? nullptr : mejor + 1;
    if (mejor)
        std::printf("highest rate kept up for %.0f s: %.0f samples a second\n", segundos, mejor->muestras_segundo());
    else
        std::printf("no rate kept up\n");
    const Resultado meta = completo("goal", objetivo);
    if (!meta.valido || meta.cpu / meta.segundos >= 0.10) salida = 1;
    W_7240_Free_DMA_Mem(0);
    return salida;
}
