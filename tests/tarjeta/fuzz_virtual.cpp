// Fuzz target: arbitrary PCI BIOS register images and request codes on the
// virtual PCI BIOS channel, and arbitrary port accesses of every width to the
// virtual card's I/O registers and the 8259 masks. Nothing may read or write
// out of bounds, whatever the image, offset or width.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "plataforma7240.h"
#include "registros.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *d, size_t n) {
    static const plataforma7240 *p = plataforma7240_virtual();
    static const canal7240 pci = p->abrir(w7240::PCI_DRIVER);
    while (n >= 6) {
        const uint8_t op = d[0] % 4;
        if (op == 0 && n >= 1 + 1 + 1 + 28) {
            // One PCI BIOS request: code, in/out size, register image.
            uint8_t imagen[32] = {};
            std::memcpy(imagen, d + 3, 28);
            const uint32_t tam = d[2] % 33;
            p->peticion(pci, d[1] % 4, imagen, tam, imagen, tam, nullptr);
            d += 31;
            n -= 31;
            continue;
        }
        // One port access: the card's registers (0xC000 + 0..0x27) or a mask.
        const uint32_t puerto = d[1] & 0x80 ? (d[1] & 1 ? 0x21 : 0xA1) : 0xC000 + d[1] % 0x28;
        const uint32_t valor = uint32_t(d[2]) | uint32_t(d[3]) << 8 | uint32_t(d[4]) << 16 | uint32_t(d[5]) << 24;
        switch (op) {
            case 1: p->entrada8(puerto), p->salida8(puerto, uint8_t(valor)); break;
            case 2: p->entrada16(puerto), p->salida16(puerto, uint16_t(valor)); break;
            default: p->entrada32(puerto), p->salida32(puerto, valor); break;
        }
        d += 6;
        n -= 6;
    }
    return 0;
}
