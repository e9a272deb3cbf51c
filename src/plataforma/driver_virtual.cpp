#include "driver_virtual.h"

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <limits>

#include "plataforma7240.h"
#include "registros.h"

namespace plataforma {

static_assert(Contador8254::kRelojHz == w7240::TIMER_CLOCK_HZ, "the card's timer clock");

namespace {

constexpr uint64_t kNunca = std::numeric_limits<uint64_t>::max();
// The handler produces the samples of about this many nanoseconds at once.
constexpr uint64_t kLoteNs = 10'000'000;

// Driver request codes (the card library's numbering).
enum : uint32_t {
    kIntSetup = 1,
    kIntControl = 2,
    kIntRun = 3,
    kDmaBuffer = 4,
    kDmaIrq = 5,
    kDmaStop = 6,
    kDmaStatus = 7,
    kContBuffer = 9,
    kContIrq = 10,
    kContHalf = 12,
    kContStop = 13,
    kMemAlloc = 14,
    kMemFree = 15,
};

// Port offsets.
constexpr uint32_t kRegAdCtrl = 0x18;
constexpr uint32_t kPuenteDir = 0x24;
constexpr uint32_t kPuenteCuenta = 0x28;
constexpr uint32_t kPuenteInt = 0x38;
constexpr uint32_t kPuenteMaestro = 0x3C;
constexpr uint32_t kPuenteSpan = 0x40;
constexpr uint32_t kMaestroListo = 0x20;   // bit 5: busy until the bridge is ready
constexpr uint32_t kMaestroEscribe = 0x400; // bit 10: bus-master writing on

uint32_t palabra(const uint8_t *p, uint32_t off)
{
    uint32_t v;
    std::memcpy(&v, p + off, 4);
    return v;
}

void poner(uint8_t *p, uint32_t off, uint32_t v) { std::memcpy(p + off, &v, 4); }

// An address carried in a request: low word at `off`, high word at 0x14.
uint8_t *direccion(const uint8_t *p, uint32_t off)
{
    uint64_t v = palabra(p, off);
    if constexpr (sizeof(void *) > 4)
        v |= static_cast<uint64_t>(palabra(p, 0x14)) << 32;
    return reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(v));
}

void poner_direccion(uint8_t *p, uint32_t off, const void *dir)
{
    const uint64_t v = reinterpret_cast<uintptr_t>(dir);
    poner(p, off, static_cast<uint32_t>(v));
    poner(p, off + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace

uint64_t reloj_monotono()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(ts.tv_nsec);
}

struct DriverVirtual::Tarjeta {
    Tarjeta(int n, Contador8254::Reloj reloj) : numero(n), contador(std::move(reloj)) {}

    int numero;
    uint8_t irq = 0xFF;  // the line the driver was told to handle
    Contador8254 contador;
    uint16_t ad_control = 0;
    unsigned escaneo = 0;  // next channel of an autoscan

    // Pacer periods already handled in the present pacer programming.
    uint64_t generacion = kNunca;
    uint64_t hechas = 0;

    // PCI bridge.
    uint32_t dir = 0;
    uint32_t cuenta = 0;
    uint32_t int_csr = 0;
    uint32_t maestro = 0;
    uint32_t otros[kPuenteSpan / 4] = {};
    bool escribiendo = false;  // bus-master writing is on
    bool ocupado = false;      // test hook: bit 5 stays 1

    // The buffer the bridge writes into, seen at bus address kBaseBus.
    uint8_t *mapa = nullptr;
    uint64_t mapa_bytes = 0;

    // Interrupt acquisition.
    bool int_preparada = false;
    bool int_activa = false;
    uint8_t *int_buffer = nullptr;
    uint32_t int_total = 0;
    uint32_t int_hechas = 0;

    // Single-buffer DMA.
    bool dma_activa = false;
    bool dma_terminada = false;

    // Continuous DMA: two halves of `mitad` bytes, filled in turn.
    bool cont_activa = false;
    uint32_t mitad = 0;
    int llenando = 0;       // half the bridge writes now
    int esperando = -1;     // half the bridge waits for (not released yet)
    bool lista[2] = {};     // half full and not released
    int mas_antigua = -1;   // the ready half to hand out first
    int ultima = -1;        // the last half filled
    uint32_t overrun = 0;

    uint64_t perdidas = 0;  // conversions nobody took

    void *memoria = nullptr;  // REQ_MEM_ALLOC block, below 4 GiB
};

DriverVirtual::DriverVirtual(Conversor conversor)
    : DriverVirtual(std::move(conversor), Contador8254::Reloj(reloj_monotono))
{
    hilo_ = std::thread([this] { bucle(); });
}

DriverVirtual::DriverVirtual(Conversor conversor, Contador8254::Reloj reloj)
    : conversor_(std::move(conversor)), reloj_(std::move(reloj))
{
    for (int n = 0; n < kTarjetas; ++n)
        tarjetas_[n] = std::make_unique<Tarjeta>(n, reloj_);
}

DriverVirtual::~DriverVirtual()
{
    {
        std::lock_guard lk(m_);
        salir_ = true;
    }
    cv_.notify_all();
    if (hilo_.joinable())
        hilo_.join();
    for (auto &t : tarjetas_) {
        detener_puente(*t);
        liberar_memoria(*t);
    }
}

void DriverVirtual::reiniciar()
{
    {
        std::lock_guard lk(m_);
        for (int n = 0; n < kTarjetas; ++n) {
            detener_puente(*tarjetas_[n]);
            liberar_memoria(*tarjetas_[n]);
            tarjetas_[n] = std::make_unique<Tarjeta>(n, reloj_);
        }
        maestro_ = esclavo_ = kMascaraInicial;
    }
    despertar();
}

DriverVirtual::Tarjeta *DriverVirtual::tarjeta(uint32_t numero)
{
    return numero < kTarjetas ? tarjetas_[numero].get() : nullptr;
}

bool DriverVirtual::linea_habilitada(unsigned irq) const
{
    if (irq < 8)
        return !(maestro_ & (1u << irq));
    if (irq < 16)
        return !(maestro_ & 0x04) && !(esclavo_ & (1u << (irq - 8)));
    return false;
}

// ---------------------------------------------------------------- ports

bool DriverVirtual::entrada_pc(uint32_t puerto, uint32_t &valor)
{
    if (puerto != 0x21 && puerto != 0xA1)
        return false;
    std::lock_guard lk(m_);
    valor = puerto == 0x21 ? maestro_ : esclavo_;
    return true;
}

bool DriverVirtual::salida_pc(uint32_t puerto, uint32_t valor)
{
    if (puerto != 0x21 && puerto != 0xA1)
        return false;
    {
        std::lock_guard lk(m_);
        avanzar(reloj_());  // conversions so far saw the old masks
        (puerto == 0x21 ? maestro_ : esclavo_) = static_cast<uint8_t>(valor);
    }
    despertar();
    return true;
}

bool DriverVirtual::entrada(int n, bool puente, uint32_t offset, uint32_t &valor)
{
    Tarjeta *t = tarjeta(static_cast<uint32_t>(n));
    if (!t)
        return false;
    std::lock_guard lk(m_);
    if (!puente) {
        if (offset > 0x0C || offset % 4 != 0)
            return false;
        valor = t->contador.leer(offset / 4);
        return true;
    }
    if (offset >= kPuenteSpan)
        return false;
    avanzar(reloj_());
    switch (offset & ~3u) {
    case kPuenteDir: valor = t->dir; break;
    case kPuenteCuenta: valor = t->cuenta; break;
    case kPuenteInt: valor = t->int_csr; break;
    case kPuenteMaestro:
        valor = (t->maestro & ~kMaestroListo) | (t->ocupado ? kMaestroListo : 0);
        break;
    default: valor = t->otros[offset / 4]; break;
    }
    valor >>= 8 * (offset % 4);
    return true;
}

bool DriverVirtual::salida(int n, bool puente, uint32_t offset, uint32_t valor)
{
    Tarjeta *t = tarjeta(static_cast<uint32_t>(n));
    if (!t)
        return false;
    bool propio = true;
    {
        std::lock_guard lk(m_);
        if (!puente) {
            if (offset == kRegAdCtrl) {
                avanzar(reloj_());  // conversions so far used the old word
                const uint16_t antes = t->ad_control;
                t->ad_control = static_cast<uint16_t>(valor);
                if ((antes ^ t->ad_control) & 0x01F0)  // channel or autoscan changed
                    t->escaneo = 0;
                propio = false;
            } else if (offset <= 0x0C && offset % 4 == 0) {
                if (offset != 0)
                    avanzar(reloj_());  // the pacer changes from now on
                t->contador.escribir(offset / 4, static_cast<uint8_t>(valor));
            } else {
                return false;
            }
        } else {
            if (offset >= kPuenteSpan)
                return false;
            avanzar(reloj_());
            switch (offset) {
            case kPuenteDir: t->dir = valor; break;
            case kPuenteCuenta: t->cuenta = valor; break;
            case kPuenteInt: t->int_csr = valor; break;
            case kPuenteMaestro:
                t->maestro = valor;
                t->escribiendo = (valor & kMaestroEscribe) != 0;
                break;
            default:
                if (offset % 4 == 0)
                    t->otros[offset / 4] = valor;
                break;
            }
        }
    }
    despertar();
    return propio;
}

// ---------------------------------------------------------------- acquisition

void DriverVirtual::avanzar(uint64_t ahora)
{
    for (auto &t : tarjetas_)
        avanzar(*t, ahora);
}

// Brings one card's conversions up to `ahora`: the pacer periods completed
// since the last call each give one conversion, taken by whoever takes
// conversions in the present AD mode.
void DriverVirtual::avanzar(Tarjeta &t, uint64_t ahora)
{
    const uint64_t periodo = t.contador.periodo_pacer();
    if (t.contador.generacion_pacer() != t.generacion) {
        t.generacion = t.contador.generacion_pacer();
        t.hechas = 0;
    }
    if (periodo == 0)
        return;
    const uint64_t inicio = t.contador.inicio_pacer();
    if (ahora <= inicio)
        return;
    const unsigned __int128 transcurrido =
        static_cast<unsigned __int128>(ahora - inicio) * Contador8254::kRelojHz;
    const uint64_t debidas =
        static_cast<uint64_t>(transcurrido / (static_cast<unsigned __int128>(periodo) * 1'000'000'000u));
    if (debidas <= t.hechas)
        return;
    uint64_t n = debidas - t.hechas;
    t.hechas = debidas;

    const unsigned modo = t.ad_control & 0x0F;
    const bool autoscan = t.ad_control & 0x10;
    const unsigned canal_fijado = (t.ad_control >> 5) & 0x0F;
    const unsigned rango = (t.ad_control >> 9) & 0x0F;
    int codigos[16];
    std::fill(std::begin(codigos), std::end(codigos), -1);
    auto siguiente = [&]() -> uint16_t {
        unsigned canal = canal_fijado;
        if (autoscan) {
            canal = t.escaneo;
            t.escaneo = t.escaneo >= canal_fijado ? 0 : t.escaneo + 1;
        }
        if (codigos[canal] < 0)
            codigos[canal] = conversor_ ? (conversor_(t.numero, canal, rango) & 0x0FFF) : 0x800;
        return static_cast<uint16_t>(codigos[canal] << 4 | canal);
    };

    if (modo == 6 && t.int_activa && linea_habilitada(t.irq)) {
        const uint64_t k = std::min<uint64_t>(n, t.int_total - t.int_hechas);
        for (uint64_t i = 0; i < k; ++i) {
            const uint16_t w = siguiente();
            std::memcpy(t.int_buffer + 2 * static_cast<uint64_t>(t.int_hechas++), &w, 2);
        }
        n -= k;
        if (t.int_hechas >= t.int_total)
            t.int_activa = false;  // all samples in: finished
    } else if (modo == 5 && t.escribiendo) {
        while (n > 0 && t.cuenta >= 2) {
            const uint64_t k = std::min<uint64_t>(n, t.cuenta / 2);
            for (uint64_t i = 0; i < k; ++i) {
                const uint16_t w = siguiente();
                // The bus address reaches memory only inside the mapped buffer.
                const uint64_t off = static_cast<uint64_t>(t.dir) - kBaseBus;
                if (t.mapa && t.dir >= kBaseBus && off + 2 <= t.mapa_bytes)
                    std::memcpy(t.mapa + off, &w, 2);
                t.dir += 2;
            }
            t.cuenta -= static_cast<uint32_t>(2 * k);
            n -= k;
            if (t.cuenta >= 2)
                break;
            // Terminal count: the bridge interrupts and the handler acts.
            if (t.dma_activa) {
                t.dma_terminada = true;
            } else if (t.cont_activa) {
                const int llena = t.llenando;
                t.lista[llena] = true;
                t.ultima = llena;
                if (t.mas_antigua < 0)
                    t.mas_antigua = llena;
                const int otra = 1 - llena;
                if (t.lista[otra]) {
                    // The caller has not copied the other half yet: the
                    // bridge waits for it and conversions meanwhile are lost.
                    t.overrun = 1;
                    t.esperando = otra;
                } else {
                    t.llenando = otra;
                    t.dir = kBaseBus + static_cast<uint32_t>(otra) * t.mitad;
                    t.cuenta = t.mitad;
                }
            }
        }
    }
    t.perdidas += n;
}

uint64_t DriverVirtual::proximo_aviso(const Tarjeta &t) const
{
    const uint64_t periodo = t.contador.periodo_pacer();
    if (periodo == 0)
        return kNunca;
    const unsigned modo = t.ad_control & 0x0F;
    uint64_t faltan;  // conversions until something the caller may wait for
    if (modo == 6 && t.int_activa && linea_habilitada(t.irq))
        faltan = t.int_total - t.int_hechas;
    else if (modo == 5 && t.escribiendo && t.cuenta >= 2)
        faltan = t.cuenta / 2;
    else
        return kNunca;
    const unsigned __int128 escala = static_cast<unsigned __int128>(periodo) * 1'000'000'000u;
    const uint64_t lote = std::max<uint64_t>(
        1, static_cast<uint64_t>(static_cast<unsigned __int128>(kLoteNs) * Contador8254::kRelojHz / escala));
    const uint64_t objetivo = t.hechas + std::min(faltan, lote);
    const unsigned __int128 ns = (static_cast<unsigned __int128>(objetivo) * escala +
                                  Contador8254::kRelojHz - 1) / Contador8254::kRelojHz;
    if (ns >= kNunca - t.contador.inicio_pacer())
        return kNunca;
    return t.contador.inicio_pacer() + static_cast<uint64_t>(ns);
}

void DriverVirtual::despertar() { cv_.notify_one(); }

void DriverVirtual::bucle()
{
    std::unique_lock lk(m_);
    while (!salir_) {
        const uint64_t ahora = reloj_();
        avanzar(ahora);
        uint64_t proximo = kNunca;
        for (auto &t : tarjetas_)
            proximo = std::min(proximo, proximo_aviso(*t));
        if (proximo == kNunca) {
            cv_.wait(lk);
        } else if (proximo > ahora) {
            using namespace std::chrono;
            cv_.wait_until(lk, steady_clock::time_point(duration_cast<steady_clock::duration>(
                                   nanoseconds(proximo))));
        }
    }
}

void DriverVirtual::detener_puente(Tarjeta &t)
{
    t.escribiendo = false;
    t.maestro &= ~kMaestroEscribe;
    t.mapa = nullptr;
    t.mapa_bytes = 0;
    t.dma_activa = false;
    t.cont_activa = false;
}

void DriverVirtual::liberar_memoria(Tarjeta &t)
{
    if (!t.memoria)
        return;
    auto *ini = static_cast<uint8_t *>(t.memoria);
    auto *fin = ini + kBytesMemoria;
    // Nothing may go on writing into memory that is given back.
    if (t.mapa && t.mapa < fin && t.mapa + t.mapa_bytes > ini)
        detener_puente(t);
    if (t.int_activa && t.int_buffer < fin && t.int_buffer + 2ull * t.int_total > ini)
        t.int_activa = false;
    munmap(t.memoria, kBytesMemoria);
    t.memoria = nullptr;
}

// ---------------------------------------------------------------- requests

int DriverVirtual::peticion(uint32_t codigo, const void *entrada, uint32_t tam_entrada,
                            void *salida, uint32_t tam_salida, uint32_t *devueltos,
                            uint32_t &error)
{
    const auto *in = static_cast<const uint8_t *>(entrada);
    auto *out = static_cast<uint8_t *>(salida);
    int hecho = 0;
    {
        std::lock_guard lk(m_);
        avanzar(reloj_());
        switch (codigo) {
        case kIntSetup:
        case kIntControl:
        case kIntRun:
            hecho = peticion_int(codigo, in, tam_entrada, out, tam_salida, devueltos);
            break;
        case kDmaBuffer:
        case kDmaIrq:
        case kDmaStop:
        case kDmaStatus:
            hecho = peticion_dma(codigo, in, tam_entrada, out, tam_salida, devueltos);
            break;
        case kContBuffer:
        case kContIrq:
        case kContHalf:
        case kContStop:
            hecho = peticion_cont(codigo, in, tam_entrada, out, tam_salida, devueltos);
            break;
        case kMemAlloc:
        case kMemFree:
            hecho = peticion_memoria(codigo, in, tam_entrada, out, tam_salida, devueltos);
            break;
        default:
            error = ERROR7240_FUNCION_INVALIDA;
            return 0;
        }
    }
    // A report changes nothing the handler waits for; anything else may.
    const bool informe = codigo == kDmaStatus || codigo == kMemAlloc ||
                         (codigo == kIntControl && in && palabra(in, 0) == 0) ||
                         (codigo == kContHalf && in && tam_entrada >= 8 && palabra(in, 4) == 0);
    if (!informe)
        despertar();
    if (!hecho)
        error = ERROR7240_PARAMETRO;
    return hecho;
}

int DriverVirtual::peticion_int(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out,
                                uint32_t tout, uint32_t *devueltos)
{
    if (codigo == kIntControl) {
        // {sub-command, card} in, {count, status} out: two whole words each,
        // whatever length the caller declares.
        if (!in || !out)
            return 0;
        Tarjeta *t = tarjeta(palabra(in, 4));
        if (!t)
            return 0;
        if (palabra(in, 0) == 1)
            t->int_activa = false;
        poner(out, 0, t->int_hechas);
        poner(out, 4, t->int_activa ? 1 : 0);
        if (devueltos)
            *devueltos = 8;
        return 1;
    }
    if (codigo == kIntSetup) {
        if (!in || tin < 28 || !out || tout < 24)
            return 0;
        Tarjeta *t = tarjeta(palabra(in, 0));
        if (!t)
            return 0;
        std::memset(out, 0, 24);
        poner(out, 0x00, palabra(in, 0x00));  // card
        poner(out, 0x04, palabra(in, 0x04));  // interrupt line
        poner(out, 0x08, palabra(in, 0x0C));  // sample count
        poner(out, 0x0C, palabra(in, 0x10));  // opBase
        poner(out, 0x10, palabra(in, 0x18));  // ioBase
        poner(out, 0x14, 1);                  // a prepared acquisition
        t->int_preparada = true;
        t->irq = static_cast<uint8_t>(std::min<uint32_t>(palabra(in, 0x04), 0xFF));
        if (devueltos)
            *devueltos = 24;
        return 1;
    }
    // kIntRun: the answer of the set-up, the caller's buffer as out-buffer.
    if (!in || tin < 24)
        return 0;
    Tarjeta *t = tarjeta(palabra(in, 0));
    if (!t)
        return 0;
    const auto cuenta = static_cast<int32_t>(palabra(in, 0x08));
    t->int_activa = false;
    t->int_hechas = 0;
    t->int_total = 0;
    if (palabra(in, 0x14) != 1 || !t->int_preparada || cuenta <= 0 || !out || tout < 2)
        return 0;  // nothing to run: the status reports finished, count 0
    t->int_buffer = out;
    t->int_total = std::min<uint32_t>(static_cast<uint32_t>(cuenta), tout / 2);
    t->int_activa = true;
    t->int_preparada = false;
    if (devueltos)
        *devueltos = 0;
    return 1;
}

// The buffer request of a single or a continuous DMA transfer: {bytes at 0x04,
// interrupt line at 0x08, buffer at 0x0C, card at 0x10} in, 24 bytes out.
// Stops the card's bridge, clears the answer and takes the line; null when the
// request cannot be carried out.
DriverVirtual::Tarjeta *DriverVirtual::tomar_buffer(const uint8_t *in, uint32_t tin, uint8_t *out,
                                                    uint32_t tout)
{
    if (!in || tin < 28 || !out || tout < 12)
        return nullptr;
    Tarjeta *t = tarjeta(palabra(in, 0x10));
    if (!t)
        return nullptr;
    detener_puente(*t);
    std::memset(out, 0, std::min<uint32_t>(tout, 24));
    t->irq = static_cast<uint8_t>(std::min<uint32_t>(palabra(in, 0x08), 0xFF));
    return t;
}

// Maps the request's buffer (`veces` times the request's byte count) as the
// bridge's bus memory and reports its bus address; a null or absurd buffer is
// not mapped and the address stays 0.
void DriverVirtual::mapear_buffer(Tarjeta &t, const uint8_t *in, uint8_t *out, uint32_t veces)
{
    const uint32_t bytes = palabra(in, 0x04);
    uint8_t *buffer = direccion(in, 0x0C);
    if (buffer && bytes >= 2 && bytes < 0x80000000u) {
        t.mapa = buffer;
        t.mapa_bytes = uint64_t(veces) * bytes;
        poner(out, 0x08, kBaseBus);
    }
}

int DriverVirtual::peticion_dma(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out,
                                uint32_t tout, uint32_t *devueltos)
{
    if (codigo == kDmaBuffer) {
        Tarjeta *t = tomar_buffer(in, tin, out, tout);
        if (!t)
            return 0;
        t->dma_activa = true;
        t->dma_terminada = false;
        mapear_buffer(*t, in, out, 1);
        if (devueltos)
            *devueltos = 24;
        return 1;
    }
    if (codigo == kDmaIrq) {
        if (!in || tin < 20 || !tarjeta(palabra(in, 0x10)))
            return 0;
        if (out && tout >= 24)
            std::memset(out, 0, 24);
        if (devueltos)
            *devueltos = 0;
        return 1;
    }
    // Status and stop: one 40-byte block, card at 0x04.
    if (!in || tin < 8 || !out || tout < 8)
        return 0;
    Tarjeta *t = tarjeta(palabra(in, 0x04));
    if (!t)
        return 0;
    if (codigo == kDmaStop)
        detener_puente(*t);
    const bool corre = t->dma_activa && !t->dma_terminada;
    poner(out, 0x00, corre ? 1 : 0);
    if (devueltos)
        *devueltos = 8;
    return 1;
}

int DriverVirtual::peticion_cont(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out,
                                 uint32_t tout, uint32_t *devueltos)
{
    if (codigo == kContBuffer) {
        Tarjeta *t = tomar_buffer(in, tin, out, tout);
        if (!t)
            return 0;
        t->cont_activa = true;
        t->mitad = palabra(in, 0x04);
        t->llenando = 0;
        t->esperando = -1;
        t->lista[0] = t->lista[1] = false;
        t->mas_antigua = -1;
        t->ultima = -1;
        t->overrun = 0;
        mapear_buffer(*t, in, out, 2);  // both halves, one after the other
        if (devueltos)
            *devueltos = 24;
        return 1;
    }
    if (codigo == kContIrq) {
        if (!in || tin < 20 || !tarjeta(palabra(in, 0x10)))
            return 0;
        if (devueltos)
            *devueltos = 0;
        return 1;
    }
    if (codigo == kContStop) {
        if (!in || tin < 4)
            return 0;
        Tarjeta *t = tarjeta(palabra(in, 0x00));
        if (!t)
            return 0;
        detener_puente(*t);
        if (devueltos)
            *devueltos = 0;
        return 1;
    }
    // kContHalf: {card, sub-command} in; the report out.
    if (!in || tin < 8 || !out || tout < 24)
        return 0;
    Tarjeta *t = tarjeta(palabra(in, 0x00));
    if (!t)
        return 0;
    const uint32_t sub = palabra(in, 0x04);
    if (sub == 1 && t->mas_antigua >= 0) {
        const int h = t->mas_antigua;
        t->lista[h] = false;
        t->mas_antigua = t->lista[1 - h] ? 1 - h : -1;
        if (t->esperando == h && t->cont_activa) {
            // The bridge goes on into the half just released.
            t->esperando = -1;
            t->llenando = h;
            t->dir = kBaseBus + static_cast<uint32_t>(h) * t->mitad;
            t->cuenta = t->mitad;
        }
    }
    const int h = t->mas_antigua >= 0 ? t->mas_antigua : std::max(t->ultima, 0);
    poner(out, 0x00, t->cont_activa ? 1 : 0);
    poner(out, 0x04, t->overrun);
    poner(out, 0x08, t->mas_antigua >= 0 ? 1 : 0);
    poner(out, 0x0C, static_cast<uint32_t>(t->perdidas));
    // The ready half (or, with none ready, the last one filled) where the
    // caller can read it; null when no buffer is mapped.
    poner_direccion(out, 0x10, t->mapa ? t->mapa + static_cast<uint64_t>(h) * t->mitad : nullptr);
    if (devueltos)
        *devueltos = 24;
    return 1;
}

int DriverVirtual::peticion_memoria(uint32_t codigo, const uint8_t *in, uint32_t tin, uint8_t *out,
                                    uint32_t tout, uint32_t *devueltos)
{
    if (!in || tin < 4 || !out || tout < 8)
        return 0;
    Tarjeta *t = tarjeta(palabra(in, 0x00));
    if (!t)
        return 0;
    if (codigo == kMemFree) {
        liberar_memoria(*t);
        if (devueltos)
            *devueltos = 0;
        return 1;
    }
    if (!t->memoria) {
        int banderas = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_32BIT
        banderas |= MAP_32BIT;  // the address must fit a 32-bit word
#endif
        void *p = mmap(nullptr, kBytesMemoria, PROT_READ | PROT_WRITE, banderas, -1, 0);
        if (p != MAP_FAILED && reinterpret_cast<uintptr_t>(p) + kBytesMemoria > 0xFFFFFFFFull) {
            munmap(p, kBytesMemoria);
            p = MAP_FAILED;
        }
        t->memoria = p == MAP_FAILED ? nullptr : p;
    }
    poner(out, 0x00, t->memoria ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(t->memoria))
                                : 0xFFFFFFFFu);
    poner(out, 0x04, t->memoria ? kBytesMemoria : 0);
    if (devueltos)
        *devueltos = 8;
    return 1;
}

// ---------------------------------------------------------------- views

uint8_t DriverVirtual::mascara_maestro() const
{
    std::lock_guard lk(m_);
    return maestro_;
}

uint8_t DriverVirtual::mascara_esclavo() const
{
    std::lock_guard lk(m_);
    return esclavo_;
}

uint16_t DriverVirtual::cuenta_contador(int tarjeta, unsigned contador) const
{
    if (tarjeta < 0 || tarjeta >= kTarjetas)
        return 0;
    std::lock_guard lk(m_);
    return tarjetas_[tarjeta]->contador.cuenta(contador);
}

uint64_t DriverVirtual::periodo_pacer(int tarjeta) const
{
    if (tarjeta < 0 || tarjeta >= kTarjetas)
        return 0;
    std::lock_guard lk(m_);
    return tarjetas_[tarjeta]->contador.periodo_pacer();
}

uint64_t DriverVirtual::muestras_perdidas(int tarjeta)
{
    if (tarjeta < 0 || tarjeta >= kTarjetas)
        return 0;
    std::lock_guard lk(m_);
    avanzar(reloj_());
    return tarjetas_[tarjeta]->perdidas;
}

void DriverVirtual::fijar_puente_ocupado(int tarjeta, bool ocupado)
{
    if (tarjeta < 0 || tarjeta >= kTarjetas)
        return;
    std::lock_guard lk(m_);
    tarjetas_[tarjeta]->ocupado = ocupado;
}

}  // namespace plataforma

