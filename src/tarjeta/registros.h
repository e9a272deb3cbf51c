// Register map of the 7240 card, the AD control word, the PCI BIOS register
// image and the driver request codes: the numbers the card library and the
// virtual card share.
#pragma once

#include <cstdint>

namespace w7240 {

// Card identification on the PCI bus.
inline constexpr uint16_t VENDOR_ID = 0x10E8;
inline constexpr uint16_t DEVICE_ID = 0x80D7;

// Card I/O registers, offsets from ioBase.
inline constexpr uint32_t REG_TIMER0 = 0x00;
inline constexpr uint32_t REG_TIMER1 = 0x04;
inline constexpr uint32_t REG_TIMER2 = 0x08;
inline constexpr uint32_t REG_TIMER_CTRL = 0x0C;
inline constexpr uint32_t REG_AD_DATA = 0x10;  // read
inline constexpr uint32_t REG_DA0 = 0x10;      // write
inline constexpr uint32_t REG_DA1 = 0x14;
inline constexpr uint32_t REG_AD_STATUS = 0x18;  // read
inline constexpr uint32_t REG_AD_CTRL = 0x18;    // write
inline constexpr uint32_t REG_DIO = 0x1C;
inline constexpr uint32_t REG_SOFT_TRIG = 0x20;
inline constexpr uint32_t IO_SPAN = 0x24;  // bytes of I/O space the card decodes

// PCI bridge operation registers, offsets from opBase (32-bit accesses).
inline constexpr uint32_t BRIDGE_WRITE_ADDR = 0x24;
inline constexpr uint32_t BRIDGE_WRITE_COUNT = 0x28;
inline constexpr uint32_t BRIDGE_INT_CSR = 0x38;
inline constexpr uint32_t BRIDGE_MASTER_CSR = 0x3C;
inline constexpr uint32_t OP_SPAN = 0x40;

// Clock of the card's counter chip (counters 0, 1, 2): the pacer converts at
// TIMER_CLOCK_HZ / (divider 1 x divider 2).
inline constexpr uint32_t TIMER_CLOCK_HZ = 10000000;

// The PC's 8259 interrupt controllers: mask registers.
inline constexpr uint32_t PIC_MASTER_MASK = 0x21;
inline constexpr uint32_t PIC_SLAVE_MASK = 0xA1;

// AD control word fields.
inline constexpr uint16_t AD_MODE_MASK = 0x000F;      // bits 0-3
inline constexpr uint16_t AD_AUTOSCAN = 0x0010;       // bit 4
inline constexpr int AD_CHANNEL_SHIFT = 5;            // bits 5-8
inline constexpr uint16_t AD_CHANNEL_MASK = 0x01E0;
inline constexpr int AD_RANGE_SHIFT = 9;              // bits 9-12
inline constexpr uint16_t AD_RANGE_MASK = 0x1E00;
inline constexpr uint16_t AD_STATUS_READY = 0x0001;   // status bit 0

// Status reads W_7240_AD_Aquire makes before giving up.
inline constexpr int AD_STATUS_READS = 201;

// PCI configuration offsets the library reads.
inline constexpr uint8_t PCI_CFG_COMMAND = 0x04;
inline constexpr uint8_t PCI_CFG_BAR0 = 0x10;
inline constexpr uint8_t PCI_CFG_BAR2 = 0x18;
inline constexpr uint8_t PCI_CFG_INTERRUPT_LINE = 0x3C;

// Device names of the two driver channels.
inline constexpr const char *CARD_DRIVER = "\\\\.\\W95_7240.VXD";
inline constexpr const char *PCI_DRIVER = "\\\\.\\pciw95.VXD";

// PCI BIOS driver requests.
inline constexpr uint32_t PCI_REQ_BIOS_CALL = 1;
inline constexpr uint32_t PCI_REQ_FIND_DEVICE = 2;

// PCI BIOS function numbers (AX).
inline constexpr uint16_t PCIBIOS_PRESENT = 0xB101;
inline constexpr uint16_t PCIBIOS_FIND_DEVICE = 0xB102;
inline constexpr uint16_t PCIBIOS_READ_BYTE = 0xB108;
inline constexpr uint16_t PCIBIOS_READ_WORD = 0xB109;
inline constexpr uint16_t PCIBIOS_READ_DWORD = 0xB10A;
inline constexpr uint32_t PCIBIOS_SIGNATURE = 0x20494350;  // "PCI " in memory order
inline constexpr uint8_t PCIBIOS_DEVICE_NOT_FOUND = 0x86;
inline constexpr uint8_t PCIBIOS_BAD_REGISTER = 0x87;

// PCI BIOS register image: seven 32-bit little-endian registers, 28 bytes.
struct PciBiosRegs {
    uint32_t eax, ebx, ecx, edx, esi, edi, eflags;

    uint8_t al() const { return uint8_t(eax); }
    uint8_t ah() const { return uint8_t(eax >> 8); }
    uint8_t bl() const { return uint8_t(ebx); }
    uint8_t bh() const { return uint8_t(ebx >> 8); }
    uint16_t di() const { return uint16_t(edi); }
    bool carry() const { return eflags & 1u; }
};
static_assert(sizeof(PciBiosRegs) == 28);

// Card driver requests.
inline constexpr uint32_t REQ_INT_SETUP = 1;
inline constexpr uint32_t REQ_INT_CONTROL = 2;
inline constexpr uint32_t REQ_INT_RUN = 3;
inline constexpr uint32_t REQ_DMA_BUFFER = 4;
inline constexpr uint32_t REQ_DMA_IRQ = 5;
inline constexpr uint32_t REQ_DMA_STOP = 6;
inline constexpr uint32_t REQ_DMA_STATUS = 7;
inline constexpr uint32_t REQ_CONT_BUFFER = 9;
inline constexpr uint32_t REQ_CONT_IRQ = 10;
inline constexpr uint32_t REQ_CONT_HALF = 12;
inline constexpr uint32_t REQ_CONT_STOP = 13;
inline constexpr uint32_t REQ_MEM_ALLOC = 14;
inline constexpr uint32_t REQ_MEM_FREE = 15;

}  // namespace w7240
