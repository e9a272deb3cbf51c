// Cost of the single-shot exports on the virtual card, and the accuracy of
// the 10-microsecond settling wait. Each cost is also printed as a ratio to a
// reference measured in the same run: one bare port read of the virtual card
// through the platform table, the least any export can cost.
//
//   build-tarjeta/bench/tarjeta/bench_tarjeta
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "7240.h"
#include "plataforma7240.h"
#include "tarjeta.h"
#include "tarjeta_virtual.h"

namespace {

double ahora_ns() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// Nanoseconds per call of f: the best of five rounds of n calls.
template <class F>
double coste(long n, F f) {
    double mejor = 1e300;
    for (int ronda = 0; ronda < 5; ++ronda) {
        const double t0 = ahora_ns();
        for (long i = 0; i < n; ++i) f(i);
        mejor = std::min(mejor, (ahora_ns() - t0) / double(n));
    }
    return mejor;
}

volatile int32_t sumidero;

}  // namespace

int main() {
    const plataforma7240 *p = plataforma7240_virtual();
    if (!w7240::cargar(p)) return 1;
    int32_t base = 0;
    if (W_7240_Initial(0, &base, nullptr) != ERR_None) return 1;
    tarjeta_virtual_fijar_DI(0, 0x1234);
    tarjeta_virtual_fijar_voltios(0, 3, 1.25);
    W_7240_AD_Set_Channel(0, 3);

    const uint32_t puerto = uint32_t(base) + w7240::REG_DIO;
    const double ref = coste(20000000, [&](long) { sumidero = p->entrada16(puerto); });
    const double di = coste(20000000, [](long) {
        int32_t v;
        W_7240_DI(0, &v);
        sumidero = v;
    });
    const double do_ = coste(20000000, [](long i) { W_7240_DO(0, int32_t(i)); });
    const double ad = coste(5000000, [](long) {
        int32_t v;
        W_7240_AD_Aquire(0, &v);
        sumidero = v;
    });

    std::printf("reference: one virtual port read through the platform table: %.2f ns\n", ref);
    std::printf("%-18s %10s %10s   goal < 100 ns\n", "export", "ns/call", "x reference");
    std::printf("%-18s %10.2f %10.2f\n", "W_7240_DI", di, di / ref);
    std::printf("%-18s %10.2f %10.2f\n", "W_7240_DO", do_, do_ / ref);
    std::printf("%-18s %10.2f %10.2f\n", "W_7240_AD_Aquire", ad, ad / ref);

    // The settling wait, timed from outside 10,000 times.
    const int veces = 10000;
    const double reloj = coste(1000000, [](long) { sumidero = int32_t(ahora_ns()); });
    std::vector<double> esperas(veces);
    for (double &e : esperas) {
        const double t0 = ahora_ns();
        w7240::DelayMicroseconds(10);
        e = (ahora_ns() - t0) / 1000.0;
    }
    std::sort(esperas.begin(), esperas.end());
    const double mediana = esperas[veces / 2], peor = esperas.back();
    std::printf("DelayMicroseconds(10), %d waits (clock read %.1f ns, included):\n", veces, reloj);
    std::printf("  median %.3f us (%.3f us over), worst %.3f us, 99th percentile %.3f us   goal: median within 1 us\n",
                mediana, mediana - 10.0, peor, esperas[size_t(veces * 0.99)]);
    w7240::descargar();
    return 0;
}
