#include "pci_bios.h"

#include <cstring>

#include "comun.h"
#include "plataforma7240.h"
#include "registros.h"

namespace plataforma {

using namespace w7240;

namespace {

constexpr uint8_t FUNCION_NO_SOPORTADA = 0x81;

void fallo(PciBiosRegs &r, uint8_t ah) {
    r.eax = (r.eax & 0xFFFF00FFu) | uint32_t(ah) << 8;
    r.eflags |= 1u;
}

void bien(PciBiosRegs &r) {
    r.eax &= 0xFFFF00FFu;
    r.eflags &= ~1u;
}

void bios(const FuentePci &f, PciBiosRegs &r, uint32_t codigo) {
    const uint16_t funcion = uint16_t(r.eax);
    if (codigo == PCI_REQ_BIOS_CALL && funcion == PCIBIOS_PRESENT) {
        bien(r);
        r.eax = (r.eax & 0xFFFF0000u) | 0x0001;  // configuration mechanism 1
        r.ebx = (r.ebx & 0xFFFF0000u) | 0x0210;  // interface version 2.10
        r.ecx = (r.ecx & 0xFFFFFF00u) | f.ultimo_bus();
        r.edx = PCIBIOS_SIGNATURE;
        return;
    }
    if (codigo == PCI_REQ_FIND_DEVICE && funcion == PCIBIOS_FIND_DEVICE) {
        uint8_t bus = 0, devfn = 0;
        if (!f.buscar(uint16_t(r.edx), uint16_t(r.ecx), uint16_t(r.esi), bus, devfn)) {
            fallo(r, PCIBIOS_DEVICE_NOT_FOUND);
            return;
        }
        bien(r);
        r.ebx = (r.ebx & 0xFFFF0000u) | uint32_t(bus) << 8 | devfn;
        return;
    }
    if (codigo == PCI_REQ_BIOS_CALL &&
        (funcion == PCIBIOS_READ_BYTE || funcion == PCIBIOS_READ_WORD || funcion == PCIBIOS_READ_DWORD)) {
        const int ancho = funcion == PCIBIOS_READ_BYTE ? 1 : funcion == PCIBIOS_READ_WORD ? 2 : 4;
        const uint16_t offset = r.di();
        if (offset % ancho != 0 || offset + ancho > 256) {
            fallo(r, PCIBIOS_BAD_REGISTER);
            return;
        }
        const uint32_t m = ancho == 4 ? 0xFFFFFFFFu : (1u << (8 * ancho)) - 1;
        bien(r);
        r.ecx = (r.ecx & ~m) | (f.leer(r.bh(), r.bl(), offset, ancho) & m);
        return;
    }
    fallo(r, FUNCION_NO_SOPORTADA);
}

}  // namespace

int peticion_bios_pci(const FuentePci &fuente, uint32_t codigo, const void *entrada, uint32_t tam_entrada,
                      void *salida, uint32_t tam_salida, uint32_t *devueltos) {
    if (!entrada || !salida || tam_entrada < sizeof(PciBiosRegs) || tam_salida < sizeof(PciBiosRegs)) {
        fijar_error(ERROR7240_PARAMETRO);
        return 0;
    }
    PciBiosRegs r;
    std::memcpy(&r, entrada, sizeof r);
    bios(fuente, r, codigo);
    std::memcpy(salida, &r, sizeof r);
    if (devueltos) *devueltos = sizeof r;
    return 1;
}

}  // namespace plataforma
