// The hardware backend.
//
// Ports: the processor's in/out instructions, after iopl(3) (or ioperm over
// the whole port space). Without that permission port reads give all ones and
// writes are dropped, as on a bus where nothing answers: the library's logic
// then sees a missing card (AD_Aquire times out) and nothing crashes.
//
// PCI BIOS driver: answered in this process from the configuration space that
// Linux exposes under /sys/bus/pci/devices (domain 0000).
//
// Card driver: a device node, /dev/tarjeta7240 unless TARJETA7240_NODO names
// another, opened for reading and writing and held with an exclusive flock
// (the open does not share the device); each request is one ioctl carrying a
// peticion7240 block (below). Its buffers are passed as 64-bit pointers and
// sizes, so nothing is truncated in a 64-bit process.
//
// Interrupt-enable flag: user space cannot set it on Linux; the kernel
// driver enables the card's interrupt itself, so this is a no-op here.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define PUERTOS_X86 1
#endif

#include "comun.h"
#include "pci_bios.h"
#include "plataforma7240.h"
#include "registros.h"

namespace plataforma::hardware {
namespace {

using namespace w7240;

const char *const RAIZ_PCI = "/sys/bus/pci/devices";

// The request block the card driver's ioctl takes.
struct peticion7240 {
    uint32_t codigo;
    uint32_t tam_entrada;
    uint64_t entrada;
    uint32_t tam_salida;
    uint32_t devueltos;
    uint64_t salida;
};
constexpr unsigned long IOCTL_PETICION = _IOWR('K', 0x72, peticion7240);

// System error codes in the numbering the library shows.
uint32_t error_de(int e) {
    switch (e) {
        case ENOENT:
        case ENODEV:
        case ENXIO: return ERROR7240_NO_ENCONTRADO;
        case EACCES:
        case EPERM: return ERROR7240_ACCESO_DENEGADO;
        case EBADF: return ERROR7240_HANDLE_INVALIDO;
        case EBUSY:
        case EWOULDBLOCK: return ERROR7240_OCUPADO;
        case ENOTTY:
        case EOPNOTSUPP:
        case ENOSYS: return ERROR7240_NO_SOPORTADO;
        case EINVAL: return ERROR7240_PARAMETRO;
        default: return uint32_t(e);
    }
}

// Handles: a file descriptor for the card driver; this value for the PCI
// BIOS channel, which has no descriptor.
constexpr canal7240 CANAL_PCI = 0x7240000;
bool pci_abierto = false;

canal7240 abrir(const char *dispositivo) {
    if (std::strcmp(dispositivo, CARD_DRIVER) == 0) {
        const char *nodo = std::getenv("TARJETA7240_NODO");
        const int fd = ::open(nodo && *nodo ? nodo : "/dev/tarjeta7240", O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            fijar_error(error_de(errno));
            return CANAL7240_INVALIDO;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            fijar_error(error_de(errno));
            ::close(fd);
            return CANAL7240_INVALIDO;
        }
        return fd;
    }
    if (std::strcmp(dispositivo, PCI_DRIVER) == 0) {
        if (pci_abierto) {
            fijar_error(ERROR7240_OCUPADO);
            return CANAL7240_INVALIDO;
        }
        if (::access(RAIZ_PCI, R_OK | X_OK) != 0) {
            fijar_error(error_de(errno));
            return CANAL7240_INVALIDO;
        }
        pci_abierto = true;
        return CANAL_PCI;
    }
    fijar_error(ERROR7240_NO_ENCONTRADO);
    return CANAL7240_INVALIDO;
}

void cerrar(canal7240 c) {
    if (c == CANAL_PCI)
        pci_abierto = false;
    else if (c >= 0)
        ::close(int(c));
}

struct DispositivoPci {
    unsigned bus, dispositivo, funcion;
    std::string ruta;
};

unsigned leer_hex(const std::string &ruta) {
    unsigned v = 0xFFFFFFFFu;
    if (FILE *f = std::fopen(ruta.c_str(), "r")) {
        if (std::fscanf(f, "%x", &v) != 1) v = 0xFFFFFFFFu;
        std::fclose(f);
    }
    return v;
}

// Devices of domain 0000 in bus order.
std::vector<DispositivoPci> dispositivos() {
    std::vector<DispositivoPci> v;
    DIR *d = ::opendir(RAIZ_PCI);
    if (!d) return v;
    while (dirent *e = ::readdir(d)) {
        unsigned dominio, bus, disp, fun;
        if (std::sscanf(e->d_name, "%4x:%2x:%2x.%1x", &dominio, &bus, &disp, &fun) == 4 && dominio == 0)
            v.push_back({bus, disp, fun, std::string(RAIZ_PCI) + "/" + e->d_name});
    }
    ::closedir(d);
    std::sort(v.begin(), v.end(), [](const DispositivoPci &a, const DispositivoPci &b) {
        return std::tie(a.bus, a.dispositivo, a.funcion) < std::tie(b.bus, b.dispositivo, b.funcion);
    });
    return v;
}

// The machine's PCI devices as the PCI BIOS sees them, read afresh on each request.
class SysfsPci : public FuentePci {
public:
    uint8_t ultimo_bus() const override {
        unsigned ultimo = 0;
        for (const auto &d : dispositivos()) ultimo = std::max(ultimo, d.bus);
        return uint8_t(ultimo);
    }
    bool buscar(uint16_t fabricante, uint16_t dispositivo, int indice, uint8_t &bus,
                uint8_t &devfn) const override {
        for (const auto &d : dispositivos()) {
            if (leer_hex(d.ruta + "/vendor") == fabricante && leer_hex(d.ruta + "/device") == dispositivo &&
                indice-- == 0) {
                bus = uint8_t(d.bus);
                devfn = uint8_t(d.dispositivo << 3 | d.funcion);
                return true;
            }
        }
        return false;
    }
    uint32_t leer(uint8_t bus, uint8_t devfn, uint16_t offset, int ancho) const override {
        uint8_t b[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        for (const auto &d : dispositivos()) {
            if (d.bus != bus || d.dispositivo != unsigned(devfn >> 3) || d.funcion != unsigned(devfn & 7))
                continue;
            const int fd = ::open((d.ruta + "/config").c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                if (::pread(fd, b, size_t(ancho), offset) != ssize_t(ancho)) std::memset(b, 0xFF, sizeof b);
                ::close(fd);
            }
            break;
        }
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
};
const SysfsPci sysfs_pci;

int peticion(canal7240 c, uint32_t codigo, const void *entrada, uint32_t tam_entrada, void *salida,
             uint32_t tam_salida, uint32_t *devueltos) {
    if (c == CANAL_PCI) {
        if (!pci_abierto) {
            fijar_error(ERROR7240_HANDLE_INVALIDO);
            return 0;
        }
        return peticion_bios_pci(sysfs_pci, codigo, entrada, tam_entrada, salida, tam_salida, devueltos);
    }
    peticion7240 p{codigo, tam_entrada, uint64_t(uintptr_t(entrada)), tam_salida, 0,
                   uint64_t(uintptr_t(salida))};
    if (c < 0 || ::ioctl(int(c), IOCTL_PETICION, &p) != 0) {
        fijar_error(c < 0 ? ERROR7240_HANDLE_INVALIDO : error_de(errno));
        return 0;
    }
    if (devueltos) *devueltos = p.devueltos;
    return 1;
}

// Port permission, asked for once.
bool permiso_puertos() {
#ifdef PUERTOS_X86
    static const bool permiso = ::iopl(3) == 0 || ::ioperm(0, 0x10000, 1) == 0;
    return permiso;
#else
    return false;
#endif
}

uint8_t entrada8(uint32_t p) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) return inb(uint16_t(p));
#endif
    (void)p;
    return 0xFF;
}
uint16_t entrada16(uint32_t p) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) return inw(uint16_t(p));
#endif
    (void)p;
    return 0xFFFF;
}
uint32_t entrada32(uint32_t p) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) return inl(uint16_t(p));
#endif
    (void)p;
    return 0xFFFFFFFFu;
}
void salida8(uint32_t p, uint8_t v) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) outb(v, uint16_t(p));
#endif
    (void)p, (void)v;
}
void salida16(uint32_t p, uint16_t v) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) outw(v, uint16_t(p));
#endif
    (void)p, (void)v;
}
void salida32(uint32_t p, uint32_t v) {
#ifdef PUERTOS_X86
    if (permiso_puertos()) outl(v, uint16_t(p));
#endif
    (void)p, (void)v;
}
void habilitar_interrupciones() {}

const plataforma7240 tabla = {
    "hardware",    abrir,     peticion,  cerrar,   ultimo_error,
    entrada8,      entrada16, entrada32, salida8,  salida16,
    salida32,      habilitar_interrupciones, contador, frecuencia, mensaje,
};

}  // namespace
}  // namespace plataforma::hardware

extern "C" const struct plataforma7240 *plataforma7240_hardware(void) { return &plataforma::hardware::tabla; }
