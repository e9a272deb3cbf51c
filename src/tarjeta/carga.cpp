// Loading and unloading the card library: the two driver channels.
#include <cstdio>

#include "tarjeta.h"

namespace w7240 {

Library lib;

void reiniciar_tabla() {
    for (CardRecord &c : lib.cards) {
        c = CardRecord{};
        c.opened = NOT_OPENED;
    }
    lib.dmaDone = 0;
}

bool cargar(const plataforma7240 *plat) {
    lib.plat = plat;
    reiniciar_tabla();
    lib.cardDriver = plat->abrir(CARD_DRIVER);
    // The error code is taken right after the card driver's open, so that the
    // PCI BIOS open that follows cannot overwrite it.
    const uint32_t error = lib.cardDriver == CANAL7240_INVALIDO ? plat->ultimo_error() : 0;
    lib.pciDriver = plat->abrir(PCI_DRIVER);
    if (lib.cardDriver != CANAL7240_INVALIDO) return true;

    if (error == ERROR7240_NO_SOPORTADO)
        std::snprintf(lib.message, sizeof lib.message,
                      "Unable to open VxD, device does not support DeviceIOCTL");
    else
        std::snprintf(lib.message, sizeof lib.message, "Unable to open VxD, Error code: %lx",
                      static_cast<unsigned long>(error));
    plat->mensaje(lib.message, "");
    return false;
}

void descargar() {
    if (!lib.plat) return;
    if (lib.pciDriver != CANAL7240_INVALIDO) lib.plat->cerrar(lib.pciDriver);
    if (lib.cardDriver != CANAL7240_INVALIDO) lib.plat->cerrar(lib.cardDriver);
    lib.pciDriver = lib.cardDriver = CANAL7240_INVALIDO;
}

}  // namespace w7240
