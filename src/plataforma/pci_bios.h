// The PCI BIOS functions the card library calls (present, find device, read
// configuration), carried out on the register image over a source of
// configuration space: the machine's (hardware) or the virtual bus.
#pragma once

#include <cstdint>

namespace plataforma {

class FuentePci {
public:
    virtual ~FuentePci() = default;
    virtual uint8_t ultimo_bus() const = 0;
    // The indice-th device (from 0, in bus order) with these identifiers.
    virtual bool buscar(uint16_t fabricante, uint16_t dispositivo, int indice, uint8_t &bus,
                        uint8_t &devfn) const = 0;
    // ancho bytes of configuration space; all ones when no device answers.
    virtual uint32_t leer(uint8_t bus, uint8_t devfn, uint16_t offset, int ancho) const = 0;
};

// One request on the PCI BIOS channel: entrada and salida are register images
// (they may be the same block). Returns nonzero when carried out.
int peticion_bios_pci(const FuentePci &fuente, uint32_t codigo, const void *entrada, uint32_t tam_entrada,
                      void *salida, uint32_t tam_salida, uint32_t *devueltos);

}  // namespace plataforma
