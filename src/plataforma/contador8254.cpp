#include "contador8254.h"

#include <utility>

namespace plataforma {

namespace {

// Elapsed ticks of the timer clock between two instants given in ns.
uint64_t ticks(uint64_t desde, uint64_t hasta)
{
    if (hasta <= desde)
        return 0;
    unsigned __int128 t = static_cast<unsigned __int128>(hasta - desde) * Contador8254::kRelojHz;
    return static_cast<uint64_t>(t / 1'000'000'000u);
}

}  // namespace

Contador8254::Contador8254(Reloj reloj) : reloj_(std::move(reloj))
{
    inicio_pacer_ = reloj_();
}

uint64_t Contador8254::ticks_desde(const Contador& c) const
{
    return ticks(c.carga_ns, reloj_());
}

uint16_t Contador8254::valor(const Contador& c) const
{
    if (!c.cargado)
        return static_cast<uint16_t>(c.inicial);
    const uint64_t n = c.inicial;  // 1..65536
    const uint64_t t = ticks_desde(c);
    switch (c.modo) {
    case 2:  // rate generator: N, N-1, ..., 1, then N again
        return static_cast<uint16_t>(n - t % n);
    case 3: {  // square wave: each half period counts down by two
        const uint64_t p = t % n;
        if (n % 2 == 0)
            return static_cast<uint16_t>(n - 2 * (p % (n / 2)));
        const uint64_t primera = (n + 1) / 2;
        const uint64_t q = p < primera ? p : p - primera;
        return static_cast<uint16_t>(n - 1 - 2 * q);
    }
    default:  // 0, 1, 4, 5: one pass down, then wraps through 0xFFFF
        return static_cast<uint16_t>((n + 65536 * 2 - t % 65536) % 65536);
    }
}

bool Contador8254::salida(const Contador& c) const
{
    if (!c.cargado)
        return c.modo != 0;
    const uint64_t n = c.inicial;
    const uint64_t t = ticks_desde(c);
    switch (c.modo) {
    case 0: return t >= n;
    case 1: return t >= n;
    case 2: return t % n != n - 1;
    case 3: return t % n < (n + 1) / 2;
    default: return t != n;  // 4, 5: one low pulse at the terminal count
    }
}

void Contador8254::cargar(unsigned n, uint32_t cuenta)
{
    Contador& c = c_[n];
    c.inicial = cuenta == 0 ? 65536u : cuenta;
    c.carga_ns = reloj_();
    c.cargado = true;
    if (n != 0) {
        inicio_pacer_ = c.carga_ns;
        ++generacion_pacer_;
    }
}

void Contador8254::programar(unsigned n, uint8_t palabra)
{
    Contador& c = c_[n];
    // A new control word stops the counter until its count is written and
    // cancels any latch and half-done access.
    c.inicial = valor(c);
    c.cargado = false;
    c.acceso = (palabra >> 4) & 3;
    unsigned modo = (palabra >> 1) & 7;
    c.modo = modo >= 6 ? modo - 4 : modo;
    c.bcd = palabra & 1;
    c.escribiendo_alto = false;
    c.leyendo_alto = false;
    c.latch_cuenta = false;
    c.latch_alto_pendiente = false;
    c.latch_estado = false;
    if (n != 0) {
        inicio_pacer_ = reloj_();
        ++generacion_pacer_;
    }
}

void Contador8254::retener_cuenta(unsigned n)
{
    Contador& c = c_[n];
    if (c.latch_cuenta)
        return;  // a second latch before the first is read is ignored
    c.latch = valor(c);
    c.latch_cuenta = true;
    c.latch_alto_pendiente = false;
}

void Contador8254::retener_estado(unsigned n)
{
    Contador& c = c_[n];
    if (c.latch_estado)
        return;
    c.estado = static_cast<uint8_t>((salida(c) ? 0x80 : 0) | (c.cargado ? 0 : 0x40) |
                                    (c.acceso << 4) | (c.modo << 1) | (c.bcd ? 1 : 0));
    c.latch_estado = true;
}

void Contador8254::escribir(unsigned puerto, uint8_t valor)
{
    if (puerto > 3)
        return;
    if (puerto == 3) {
        const unsigned sel = valor >> 6;
        if (sel == 3) {  // read-back: bit 5 low latches counts, bit 4 low status
            for (unsigned n = 0; n < 3; ++n) {
                if (!(valor & (2u << n)))
                    continue;
                if (!(valor & 0x20))
                    retener_cuenta(n);
                if (!(valor & 0x10))
                    retener_estado(n);
            }
        } else if (((valor >> 4) & 3) == 0) {
            retener_cuenta(sel);
        } else {
            programar(sel, valor);
        }
        return;
    }
    Contador& c = c_[puerto];
    switch (c.acceso) {
    case 1:
        cargar(puerto, valor);
        break;
    case 2:
        cargar(puerto, static_cast<uint32_t>(valor) << 8);
        break;
    default:
        if (!c.escribiendo_alto) {
            c.byte_bajo = valor;
            c.escribiendo_alto = true;
            if (c.modo == 0 && c.cargado) {  // mode 0 stops on the first byte
                c.inicial = this->valor(c);
                c.cargado = false;
            }
        } else {
            c.escribiendo_alto = false;
            cargar(puerto, c.byte_bajo | (static_cast<uint32_t>(valor) << 8));
        }
        break;
    }
}

uint8_t Contador8254::leer(unsigned puerto)
{
    if (puerto > 2)
        return 0xFF;  // the control word cannot be read
    Contador& c = c_[puerto];
    if (c.latch_estado) {
        c.latch_estado = false;
        return c.estado;
    }
    const bool retenido = c.latch_cuenta;
    const uint16_t v = retenido ? c.latch : valor(c);
    uint8_t byte = 0;
    switch (c.acceso) {
    case 1:
        byte = v & 0xFF;
        c.latch_cuenta = false;
        break;
    case 2:
        byte = v >> 8;
        c.latch_cuenta = false;
        break;
    default:
        if (retenido) {
            if (!c.latch_alto_pendiente) {
                c.latch_alto_pendiente = true;
                byte = v & 0xFF;
            } else {
                c.latch_alto_pendiente = false;
                c.latch_cuenta = false;
                byte = v >> 8;
            }
        } else {
            byte = c.leyendo_alto ? v >> 8 : v & 0xFF;
            c.leyendo_alto = !c.leyendo_alto;
        }
        break;
    }
    return byte;
}

uint16_t Contador8254::cuenta(unsigned contador) const
{
    return contador < 3 ? valor(c_[contador]) : 0;
}

uint64_t Contador8254::periodo_pacer() const
{
    const Contador& a = c_[1];
    const Contador& b = c_[2];
    auto periodico = [](const Contador& c) { return c.cargado && (c.modo == 2 || c.modo == 3); };
    if (!periodico(a) || !periodico(b))
        return 0;
    return static_cast<uint64_t>(a.inicial) * b.inicial;
}

}  // namespace plataforma
