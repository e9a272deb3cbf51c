// The virtual backend: the card's drivers and ports answered by the virtual
// PCI bus and its card models, in this process.
#include <cstring>

#include "comun.h"
#include "modelo_virtual.h"
#include "pci_bios.h"
#include "plataforma7240.h"
#include "registros.h"

namespace plataforma::virtual7240 {
namespace {

using namespace w7240;

// The two driver channels; a handle is the channel's number.
enum Canal : canal7240 { CANAL_TARJETA = 1, CANAL_PCI = 2 };
bool abierto[3] = {false, false, false};

canal7240 abrir(const char *dispositivo) {
    Bus &b = bus();
    canal7240 c = CANAL7240_INVALIDO;
    if (std::strcmp(dispositivo, CARD_DRIVER) == 0)
        c = CANAL_TARJETA;
    else if (std::strcmp(dispositivo, PCI_DRIVER) == 0 && b.pcibios)
        c = CANAL_PCI;
    if (c == CANAL7240_INVALIDO) {
        fijar_error(ERROR7240_NO_ENCONTRADO);
        return c;
    }
    if (abierto[c]) {  // opened without sharing
        fijar_error(ERROR7240_OCUPADO);
        return CANAL7240_INVALIDO;
    }
    abierto[c] = true;
    return c;
}

void cerrar(canal7240 c) {
    if (c == CANAL_TARJETA || c == CANAL_PCI) abierto[c] = false;
}

// The virtual bus as the PCI BIOS sees it.
class BusPci : public FuentePci {
public:
    uint8_t ultimo_bus() const override { return BUS_PCI; }
    bool buscar(uint16_t fabricante, uint16_t dispositivo, int indice, uint8_t &bus_,
                uint8_t &devfn) const override {
        const Bus &b = bus();
        for (int n = 0; n < b.cuantas; ++n) {
            const Tarjeta &t = b.tarjetas[n];
            if ((t.config[0] | t.config[1] << 8) == fabricante &&
                (t.config[2] | t.config[3] << 8) == dispositivo && indice-- == 0) {
                bus_ = BUS_PCI;
                devfn = uint8_t((PRIMER_DISPOSITIVO + n) << 3);
                return true;
            }
        }
        return false;
    }
    uint32_t leer(uint8_t bus_, uint8_t devfn, uint16_t offset, int ancho) const override {
        const int n = (devfn >> 3) - PRIMER_DISPOSITIVO;
        const Tarjeta *t = bus_ == BUS_PCI && (devfn & 7) == 0 ? tarjeta(n) : nullptr;
        if (!t) return 0xFFFFFFFFu;
        uint32_t v = 0;
        for (int i = 0; i < ancho; ++i) v |= uint32_t(t->config[offset + i]) << (8 * i);
        return v;
    }
};
const BusPci bus_pci;

// The card driver's requests (interrupt and DMA acquisition) go to the
// virtual card driver.
int controlador(uint32_t codigo, const void *entrada, uint32_t tam_entrada, void *salida,
                uint32_t tam_salida, uint32_t *devueltos) {
    uint32_t error = 0;
    const int hecho = driver().peticion(codigo, entrada, tam_entrada, salida, tam_salida, devueltos, error);
    if (!hecho) fijar_error(error);
    return hecho;
}

int peticion(canal7240 c, uint32_t codigo, const void *entrada, uint32_t tam_entrada, void *salida,
             uint32_t tam_salida, uint32_t *devueltos) {
    if ((c != CANAL_TARJETA && c != CANAL_PCI) || !abierto[c]) {
        fijar_error(ERROR7240_HANDLE_INVALIDO);
        return 0;
    }
    if (c == CANAL_TARJETA) return controlador(codigo, entrada, tam_entrada, salida, tam_salida, devueltos);
    return peticion_bios_pci(bus_pci, codigo, entrada, tam_entrada, salida, tam_salida, devueltos);
}

uint8_t entrada8(uint32_t p) { return uint8_t(leer_puerto(p, 1)); }
uint16_t entrada16(uint32_t p) { return uint16_t(leer_puerto(p, 2)); }
uint32_t entrada32(uint32_t p) { return leer_puerto(p, 4); }
void salida8(uint32_t p, uint8_t v) { escribir_puerto(p, 1, v); }
void salida16(uint32_t p, uint16_t v) { escribir_puerto(p, 2, v); }
void salida32(uint32_t p, uint32_t v) { escribir_puerto(p, 4, v); }
void habilitar_interrupciones() { bus().interrupciones = true; }

const plataforma7240 tabla = {
    "virtual",     abrir,     peticion,  cerrar,   ultimo_error,
    entrada8,      entrada16, entrada32, salida8,  salida16,
    salida32,      habilitar_interrupciones, contador, frecuencia, mensaje,
};

}  // namespace
}  // namespace plataforma::virtual7240

extern "C" const struct plataforma7240 *plataforma7240_virtual(void) {
    plataforma::virtual7240::bus();  // the bus is set up before the first port access
    return &plataforma::virtual7240::tabla;
}
