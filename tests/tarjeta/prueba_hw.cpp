// The hardware backend's driver channels on this machine: the PCI BIOS answered
// from /sys/bus/pci/devices, and the card driver's device node.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plataforma7240.h"
#include "registros.h"

namespace {

using w7240::PciBiosRegs;

unsigned leer_hex(const std::string &ruta) {
    unsigned v = 0;
    if (FILE *f = std::fopen(ruta.c_str(), "r")) {
        if (std::fscanf(f, "%x", &v) != 1) v = 0;
        std::fclose(f);
    }
    return v;
}

TEST(Hardware, MissingDeviceNodeIsFileNotFound) {
    setenv("TARJETA7240_NODO", "/nonexistent/tarjeta7240", 1);
    const plataforma7240 *p = plataforma7240_hardware();
    EXPECT_EQ(p->abrir(w7240::CARD_DRIVER), CANAL7240_INVALIDO);
    EXPECT_EQ(p->ultimo_error(), ERROR7240_NO_ENCONTRADO);
    unsetenv("TARJETA7240_NODO");
}

TEST(Hardware, CardDriverNodeIsNotSharedAndRefusesWhatItDoesNotSupport) {
    // A plain file stands for the node: it opens, but knows no request.
    char ruta[] = "/tmp/nodo7240XXXXXX";
    const int fd = mkstemp(ruta);
    ASSERT_GE(fd, 0);
    setenv("TARJETA7240_NODO", ruta, 1);
    const plataforma7240 *p = plataforma7240_hardware();
    const canal7240 c = p->abrir(w7240::CARD_DRIVER);
    ASSERT_NE(c, CANAL7240_INVALIDO);
    EXPECT_EQ(p->abrir(w7240::CARD_DRIVER), CANAL7240_INVALIDO);
    EXPECT_EQ(p->ultimo_error(), ERROR7240_OCUPADO);
    uint32_t bloque[6] = {};
    EXPECT_EQ(p->peticion(c, w7240::REQ_INT_SETUP, bloque, sizeof bloque, bloque, sizeof bloque, nullptr), 0);
    EXPECT_EQ(p->ultimo_error(), ERROR7240_NO_SOPORTADO);
    p->cerrar(c);
    const canal7240 otra = p->abrir(w7240::CARD_DRIVER);  // free again once closed
    EXPECT_NE(otra, CANAL7240_INVALIDO);
    p->cerrar(otra);
    unsetenv("TARJETA7240_NODO");
    close(fd);
    unlink(ruta);
}

TEST(Hardware, PciBiosFromSysfs) {
    // The first device of domain 0000 in bus order.
    DIR *d = opendir("/sys/bus/pci/devices");
    if (!d) GTEST_SKIP() << "no /sys/bus/pci/devices";
    std::string primero;
    while (dirent *e = readdir(d))
        if (std::strncmp(e->d_name, "0000:", 5) == 0 && (primero.empty() || e->d_name < primero))
            primero = e->d_name;
    closedir(d);
    if (primero.empty()) GTEST_SKIP() << "no PCI devices";
    const std::string ruta = "/sys/bus/pci/devices/" + primero;
    const unsigned fabricante = leer_hex(ruta + "/vendor"), dispositivo = leer_hex(ruta + "/device");
    unsigned bus, disp, fun;
    ASSERT_EQ(std::sscanf(primero.c_str(), "0000:%x:%x.%x", &bus, &disp, &fun), 3);

    const plataforma7240 *p = plataforma7240_hardware();
    const canal7240 c = p->abrir(w7240::PCI_DRIVER);
    ASSERT_NE(c, CANAL7240_INVALIDO);

    PciBiosRegs r{};
    r.eax = w7240::PCIBIOS_PRESENT;
    ASSERT_TRUE(p->peticion(c, w7240::PCI_REQ_BIOS_CALL, &r, sizeof r, &r, sizeof r, nullptr));
    EXPECT_EQ(r.ah(), 0);
    EXPECT_EQ(r.edx, w7240::PCIBIOS_SIGNATURE);

    r = PciBiosRegs{};
    r.eax = w7240::PCIBIOS_FIND_DEVICE;
    r.ecx = dispositivo;
    r.edx = fabricante;
    ASSERT_TRUE(p->peticion(c, w7240::PCI_REQ_FIND_DEVICE, &r, sizeof r, &r, sizeof r, nullptr));
    ASSERT_FALSE(r.carry());
    EXPECT_EQ(r.bh(), bus);
    EXPECT_EQ(r.bl(), disp << 3 | fun);

    // Vendor and device words from configuration space.
    const uint32_t bx = r.ebx;
    r = PciBiosRegs{};
    r.eax = w7240::PCIBIOS_READ_WORD;
    r.ebx = bx;
    r.edi = 0x02;
    ASSERT_TRUE(p->peticion(c, w7240::PCI_REQ_BIOS_CALL, &r, sizeof r, &r, sizeof r, nullptr));
    EXPECT_FALSE(r.carry());
    EXPECT_EQ(r.ecx & 0xFFFF, dispositivo);

    // A device the bus does not hold: not found.
    r = PciBiosRegs{};
    r.eax = w7240::PCIBIOS_FIND_DEVICE;
    r.ecx = w7240::DEVICE_ID;
    r.edx = 0xFFFF;
    ASSERT_TRUE(p->peticion(c, w7240::PCI_REQ_FIND_DEVICE, &r, sizeof r, &r, sizeof r, nullptr));
    EXPECT_TRUE(r.carry());
    EXPECT_EQ(r.ah(), w7240::PCIBIOS_DEVICE_NOT_FOUND);
    p->cerrar(c);
}

}  // namespace
