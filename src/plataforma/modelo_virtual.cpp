// Register-level model of the virtual 7240 card and the virtual PCI bus.
#include "modelo_virtual.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "registros.h"
#include "tarjeta_virtual.h"

namespace plataforma::virtual7240 {

using namespace w7240;

namespace {

Bus el_bus;
bool iniciado = false;

struct Intervalo {
    double minimo, maximo;
};
// Input spans of the range codes; codes 9 to 15 convert as code 0.
constexpr Intervalo INTERVALOS[9] = {
    {-5.0, 5.0},  {-2.5, 2.5}, {-1.25, 1.25}, {-0.625, 0.625}, {0.0, 10.0},
    {0.0, 5.0},   {0.0, 2.5},  {0.0, 1.25},   {-10.0, 10.0},
};

void poner_config(Tarjeta &t, int offset, int ancho, uint32_t valor) {
    for (int i = 0; i < ancho; ++i) t.config[offset + i] = uint8_t(valor >> (8 * i));
}

uint32_t config(const Tarjeta &t, int offset, int ancho) {
    uint32_t v = 0;
    for (int i = 0; i < ancho; ++i) v |= uint32_t(t.config[offset + i]) << (8 * i);
    return v;
}

// The card decodes its I/O at the base address registers' I/O bases.
void decodificar(Tarjeta &t) {
    t.base_op = config(t, PCI_CFG_BAR0, 4) & 0xFFFCu;
    t.base_io = config(t, PCI_CFG_BAR2, 4) & 0xFFFCu;
}

void tarjeta_inicial(Tarjeta &t, int n) {
    std::memset(&t, 0, sizeof t);
    poner_config(t, 0x00, 2, VENDOR_ID);
    poner_config(t, 0x02, 2, DEVICE_ID);
    poner_config(t, PCI_CFG_COMMAND, 2, 0x0005);  // I/O decoding and bus mastering
    poner_config(t, 0x08, 4, 0x11800000);         // class: data acquisition
    poner_config(t, PCI_CFG_BAR0, 4, 0xD001u + 0x100u * n);
    poner_config(t, PCI_CFG_BAR2, 4, 0xC001u + 0x100u * n);
    poner_config(t, PCI_CFG_INTERRUPT_LINE, 1, 10u + n);
    poner_config(t, 0x3D, 1, 1);  // interrupt pin A
    decodificar(t);
}

// TARJETA7240_PCI="N:clave=valor,clave=valor;N:...". Entries that cannot be
// read are left out with a line on standard error.
void aplicar_pci(const char *texto) {
    const char *p = texto;
    while (*p) {
        const char *fin = std::strchr(p, ';');
        std::string entrada(p, fin ? size_t(fin - p) : std::strlen(p));
        p = fin ? fin + 1 : p + std::strlen(p);
        if (entrada.empty()) continue;
        char *resto = nullptr;
        const long n = std::strtol(entrada.c_str(), &resto, 10);
        if (resto == entrada.c_str() || *resto != ':' || n < 0 || n >= el_bus.cuantas) {
            std::fprintf(stderr, "TARJETA7240_PCI: entry left out: %s\n", entrada.c_str());
            continue;
        }
        Tarjeta &t = el_bus.tarjetas[n];
        std::string pares(resto + 1);
        size_t i = 0;
        while (i <= pares.size()) {
            size_t coma = pares.find(',', i);
            if (coma == std::string::npos) coma = pares.size();
            const std::string par = pares.substr(i, coma - i);
            i = coma + 1;
            const size_t igual = par.find('=');
            char *fin_valor = nullptr;
            const std::string valor = igual == std::string::npos ? "" : par.substr(igual + 1);
            const unsigned long v = std::strtoul(valor.c_str(), &fin_valor, 0);
            const std::string clave = par.substr(0, igual);
            if (valor.empty() || *fin_valor != '\0') {
                std::fprintf(stderr, "TARJETA7240_PCI: setting left out: %s\n", par.c_str());
                continue;
            }
            if (clave == "comando")
                poner_config(t, PCI_CFG_COMMAND, 2, uint32_t(v));
            else if (clave == "bar0")
                poner_config(t, PCI_CFG_BAR0, 4, uint32_t(v));
            else if (clave == "bar2")
                poner_config(t, PCI_CFG_BAR2, 4, uint32_t(v));
            else if (clave == "irq")
                poner_config(t, PCI_CFG_INTERRUPT_LINE, 1, uint32_t(v));
            else
                std::fprintf(stderr, "TARJETA7240_PCI: setting left out: %s\n", par.c_str());
        }
        decodificar(t);
    }
}

void iniciar() {
    el_bus = Bus{};
    int cuantas = 1;
    if (const char *v = std::getenv("TARJETA7240_TARJETAS")) {
        char *fin = nullptr;
        const long n = std::strtol(v, &fin, 10);
        if (fin != v && *fin == '\0' && n >= 0 && n <= MAX_TARJETAS)
            cuantas = int(n);
        else
            std::fprintf(stderr, "TARJETA7240_TARJETAS: %s is not 0 to %d; 1 card\n", v,
                         MAX_TARJETAS);
    }
    el_bus.cuantas = cuantas;
    for (int n = 0; n < MAX_TARJETAS; ++n) tarjeta_inicial(el_bus.tarjetas[n], n);
    if (const char *v = std::getenv("TARJETA7240_PCI")) aplicar_pci(v);
    if (const char *v = std::getenv("TARJETA7240_PCIBIOS")) el_bus.pcibios = std::strcmp(v, "no") != 0;
    iniciado = true;
}

// Card and register offset a port falls on, in the card's I/O registers
// (bridge = false) or its bridge registers (bridge = true).
Tarjeta *decodificar_puerto(uint32_t puerto, uint32_t &offset, bool &puente) {
    for (int n = 0; n < el_bus.cuantas; ++n) {
        Tarjeta &t = el_bus.tarjetas[n];
        if (puerto - t.base_io < IO_SPAN) {
            offset = puerto - t.base_io;
            puente = false;
            return &t;
        }
        if (puerto - t.base_op < OP_SPAN) {
            offset = puerto - t.base_op;
            puente = true;
            return &t;
        }
    }
    return nullptr;
}

void disparar(Tarjeta &t) {
    int canal = (t.control_ad & AD_CHANNEL_MASK) >> AD_CHANNEL_SHIFT;
    if (t.control_ad & AD_AUTOSCAN) {
        // Autoscan converts channels 0 up to the selected one in turn.
        if (t.canal_barrido > canal) t.canal_barrido = 0;
        canal = t.canal_barrido++;
    }
    t.dato_ad = convertir(t, canal);
    ++t.conversiones;
    t.lecturas_hasta_listo = t.espera;
    t.estado_ad = 0;
    t.convirtiendo = true;
}

// The first `espera` status reads after a trigger show the conversion still
// running; the next one shows it ready.
uint16_t leer_estado(Tarjeta &t) {
    if (t.convirtiendo && t.lecturas_hasta_listo != TARJETA_VIRTUAL_NUNCA) {
        if (t.lecturas_hasta_listo == 0) {
            t.estado_ad |= AD_STATUS_READY;
            t.convirtiendo = false;
        } else {
            --t.lecturas_hasta_listo;
        }
    }
    return t.estado_ad;
}

uint32_t leer_registro(Tarjeta &t, uint32_t offset) {
    switch (offset) {
        case REG_AD_DATA:
            t.estado_ad &= uint16_t(~AD_STATUS_READY);  // the result is taken
            return t.dato_ad;
        case REG_AD_STATUS: return leer_estado(t);
        case REG_DIO: return t.di;
        case REG_TIMER0:
        case REG_TIMER1:
        case REG_TIMER2:
        case REG_TIMER_CTRL: return t.temporizador[offset / 4];
        default: return 0xFFFFFFFFu;
    }
}

void escribir_registro(Tarjeta &t, uint32_t offset, uint32_t valor) {
    switch (offset) {
        case REG_DA0: t.da[0] = uint16_t(valor); break;
        case REG_DA1: t.da[1] = uint16_t(valor); break;
        case REG_AD_CTRL:
            t.control_ad = uint16_t(valor);
            t.canal_barrido = 0;
            break;
        case REG_DIO: t.do_latch = uint16_t(valor); break;
        case REG_SOFT_TRIG: disparar(t); break;
        case REG_TIMER0:
        case REG_TIMER1:
        case REG_TIMER2:
        case REG_TIMER_CTRL: t.temporizador[offset / 4] = valor; break;
        default: break;
    }
}

uint32_t mascara(int ancho) { return ancho >= 4 ? 0xFFFFFFFFu : (1u << (8 * ancho)) - 1; }

}  // namespace

Bus &bus() {
    if (!iniciado) iniciar();
    return el_bus;
}

void reiniciar() {
    driver().reiniciar();  // no acquisition reads the bus while it is set up again
    iniciar();
}

DriverVirtual &driver() {
    static DriverVirtual d([](int n, unsigned canal, unsigned rango) {
        double &v = el_bus.tarjetas[n].voltios[canal];
        return codigo(std::atomic_ref<double>(v).load(std::memory_order_relaxed), int(rango));
    });
    return d;
}

Tarjeta *tarjeta(int indice) {
    Bus &b = bus();
    return indice >= 0 && indice < b.cuantas ? &b.tarjetas[indice] : nullptr;
}

uint16_t convertir(const Tarjeta &t, int canal) {
    const int rango = (t.control_ad & AD_RANGE_MASK) >> AD_RANGE_SHIFT;
    double &v = const_cast<double &>(t.voltios[canal]);
    return uint16_t(codigo(std::atomic_ref<double>(v).load(std::memory_order_relaxed), rango) << 4 | canal);
}

uint16_t codigo(double voltios, int rango) {
    const Intervalo r = INTERVALOS[rango >= 0 && rango <= 8 ? rango : 0];
    double codigo = std::trunc(4096.0 / (r.maximo - r.minimo) * (voltios - r.minimo));
    if (!(codigo >= 0)) codigo = 0;  // NaN too
    if (codigo > 4095) codigo = 4095;
    return uint16_t(codigo);
}

// Registers the card driver sees: the counter chip, the bridge, and writes of
// the AD control word (which start and stop its conversions). The other
// registers are the single-shot path and stay off the driver's lock.
inline bool del_driver(bool puente, uint32_t offset, bool escritura) {
    return puente || offset <= REG_TIMER_CTRL || (escritura && offset == REG_AD_CTRL);
}

uint32_t leer_puerto(uint32_t puerto, int ancho) {
    uint32_t v;
    // The 8259 masks, counter chips and bridges are the card driver's.
    if (driver().entrada_pc(puerto, v)) return v & mascara(ancho);
    uint32_t offset;
    bool puente;
    Tarjeta *t = decodificar_puerto(puerto, offset, puente);
    if (!t) return mascara(ancho);
    if (del_driver(puente, offset, false) && driver().entrada(int(t - el_bus.tarjetas), puente, offset, v))
        return v & mascara(ancho);
    v = puente ? t->puente[offset / 4] >> (8 * (offset % 4)) : leer_registro(*t, offset);
    return v & mascara(ancho);
}

void escribir_puerto(uint32_t puerto, int ancho, uint32_t valor) {
    valor &= mascara(ancho);
    if (driver().salida_pc(puerto, valor)) return;
    uint32_t offset;
    bool puente;
    Tarjeta *t = decodificar_puerto(puerto, offset, puente);
    if (!t) return;
    if (del_driver(puente, offset, true) && driver().salida(int(t - el_bus.tarjetas), puente, offset, valor))
        return;
    if (puente)
        t->puente[offset / 4] = valor;  // bridge registers are reached 32 bits wide
    else
        escribir_registro(*t, offset, valor);
}

}  // namespace plataforma::virtual7240

// Test support.
using namespace plataforma::virtual7240;

extern "C" {

int tarjeta_virtual_cuantas(void) { return bus().cuantas; }

int tarjeta_virtual_fijar_DI(int n, uint16_t palabra) {
    Tarjeta *t = tarjeta(n);
    if (!t) return -1;
    t->di = palabra;
    return 0;
}

int tarjeta_virtual_fijar_voltios(int n, int canal, double voltios) {
    Tarjeta *t = tarjeta(n);
    if (!t || canal < 0 || canal > 15) return -1;
    std::atomic_ref<double>(t->voltios[canal]).store(voltios, std::memory_order_relaxed);
    return 0;
}

int tarjeta_virtual_fijar_espera(int n, uint32_t lecturas) {
    Tarjeta *t = tarjeta(n);
    if (!t) return -1;
    t->espera = lecturas;
    return 0;
}

int tarjeta_virtual_leer_DO(int n, uint16_t *palabra) {
    Tarjeta *t = tarjeta(n);
    if (!t || !palabra) return -1;
    *palabra = t->do_latch;
    return 0;
}

int tarjeta_virtual_leer_DA(int n, int canal, uint16_t *valor) {
    Tarjeta *t = tarjeta(n);
    if (!t || !valor || canal < 0 || canal > 1) return -1;
    *valor = t->da[canal];
    return 0;
}

int tarjeta_virtual_leer_control_AD(int n, uint16_t *palabra) {
    Tarjeta *t = tarjeta(n);
    if (!t || !palabra) return -1;
    *palabra = t->control_ad;
    return 0;
}

int tarjeta_virtual_conversiones(int n, uint32_t *cuantas) {
    Tarjeta *t = tarjeta(n);
    if (!t || !cuantas) return -1;
    *cuantas = t->conversiones;
    return 0;
}

int tarjeta_virtual_fijar_config(int n, int offset, int ancho, uint32_t valor) {
    Tarjeta *t = tarjeta(n);
    if (!t || !(ancho == 1 || ancho == 2 || ancho == 4) || offset < 0 || offset % ancho != 0 ||
        offset + ancho > 256)
        return -1;
    poner_config(*t, offset, ancho, valor);
    decodificar(*t);
    return 0;
}

void tarjeta_virtual_reiniciar(void) { reiniciar(); }

// Acquisition side: the card driver, which knows cards 0 to 3.
static bool con_driver(int n) { return tarjeta(n) && n < plataforma::DriverVirtual::kTarjetas; }

int tarjeta_virtual_mascaras_8259(uint8_t *maestro, uint8_t *esclavo) {
    if (maestro) *maestro = driver().mascara_maestro();
    if (esclavo) *esclavo = driver().mascara_esclavo();
    return 0;
}

int tarjeta_virtual_periodo_pacer(int n, uint64_t *ticks) {
    if (!con_driver(n) || !ticks) return -1;
    *ticks = driver().periodo_pacer(n);
    return 0;
}

int tarjeta_virtual_perdidas(int n, uint64_t *cuantas) {
    if (!con_driver(n) || !cuantas) return -1;
    *cuantas = driver().muestras_perdidas(n);
    return 0;
}

int tarjeta_virtual_fijar_puente_ocupado(int n, int ocupado) {
    if (!con_driver(n)) return -1;
    driver().fijar_puente_ocupado(n, ocupado != 0);
    return 0;
}

}  // extern "C"
