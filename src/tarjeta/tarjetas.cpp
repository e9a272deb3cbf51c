// The card table: finding a card on the PCI bus through the PCI BIOS driver,
// W_7240_Initial, and the card check that every export begins with.
#include <cstring>

#include "tarjeta.h"

namespace w7240 {
namespace {

// One PCI BIOS call: the same register image goes in and comes back. The
// outcome of the request itself is not looked at: a request the driver did
// not carry out leaves AH at 0xB1, which the callers see as a failure.
void pci_call(uint32_t request, PciBiosRegs &r) {
    lib.plat->peticion(lib.pciDriver, request, &r, sizeof r, &r, sizeof r, nullptr);
}

bool PciBiosPresent() {
    PciBiosRegs r{};
    r.eax = PCIBIOS_PRESENT;
    r.esi = 0;
    pci_call(PCI_REQ_BIOS_CALL, r);
    return r.ah() == 0 && r.edx == PCIBIOS_SIGNATURE;
}

// Result 0 on success, else the failure value (1 for the carry flag, else AH).
uint32_t PciFindDevice(uint16_t device, uint16_t vendor, uint16_t index, uint8_t &bus,
                       uint8_t &devfn) {
    PciBiosRegs r{};
    r.eax = PCIBIOS_FIND_DEVICE;
    r.ecx = device;
    r.edx = vendor;
    r.esi = index;
    pci_call(PCI_REQ_FIND_DEVICE, r);
    if (r.carry()) return 1;
    if (r.ah() != 0) return r.ah();
    bus = r.bh();
    devfn = r.bl();
    return 0;
}

// size 0 = byte, 1 = word. A failed read is not told apart by the caller:
// the value that came back is used as it is.
uint32_t PciReadConfig(uint8_t bus, uint8_t devfn, uint16_t offset, uint8_t size) {
    PciBiosRegs r{};
    r.eax = 0xB100u | uint32_t(0x08 + size);
    r.ebx = uint32_t(bus) << 8 | devfn;
    r.edi = offset;
    pci_call(PCI_REQ_BIOS_CALL, r);
    return r.ecx;
}

}  // namespace

int32_t card_check(int32_t card) {
    if (!has_slot(card) || lib.cards[card].opened == NOT_OPENED) return ERR_Card_Not_Initial;
    return ERR_None;
}

}  // namespace w7240

using namespace w7240;

extern "C" int32_t W_7240_Initial(int32_t card, int32_t *io_base, int32_t *irq) {
    // A number with no slot in the card table cannot be opened: not found,
    // before anything is asked of the bus.
    if (!has_slot(card)) return ERR_Card_Not_Found;
    if (!PciBiosPresent()) {
        lib.plat->mensaje("I need pcibios.vxd.", "");
        return ERR_PCI_Unavailable;
    }
    uint8_t bus = 0, devfn = 0;
    if (PciFindDevice(DEVICE_ID, VENDOR_ID, uint16_t(card), bus, devfn) != 0)
        return ERR_Card_Not_Found;
    // Bus mastering together with I/O or memory decoding: low three bits 5 to 7.
    if ((PciReadConfig(bus, devfn, PCI_CFG_COMMAND, 0) & 7u) < 5) return ERR_PCI_Unavailable;

    CardRecord &c = lib.cards[card];
    c.opBase = uint16_t(PciReadConfig(bus, devfn, PCI_CFG_BAR0, 1) & 0xFFFC);
    c.ioBase = uint16_t(PciReadConfig(bus, devfn, PCI_CFG_BAR2, 1) & 0xFFFC);
    c.ioPort = c.ioBase;
    c.irq = uint8_t(PciReadConfig(bus, devfn, PCI_CFG_INTERRUPT_LINE, 0) & 0xFF);
    c.adControl = 0;
    c.opened = 0;
    put(io_base, c.ioBase);
    put(irq, c.irq);
    return ERR_None;
}
