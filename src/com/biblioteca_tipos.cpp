#include "biblioteca_tipos.h"

#include <elf.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "bstr.h"
#include "variante.h"

namespace com {

// ---------------------------------------------------------------------------
// Binary form.

namespace {

constexpr char kMagia[4] = {'K', 'T', 'L', 'B'};
constexpr uint16_t kFormato = 1;
constexpr size_t kMaxElementos = 4096;

class Escritor {
 public:
  void u8(uint8_t v) { d.push_back(v); }
  void u16(uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void guid(const GUID& g) {
    u32(g.Data1);
    u16(g.Data2);
    u16(g.Data3);
    for (uint8_t b : g.Data4) u8(b);
  }
  void texto(const std::string& s) {
    size_t n = s.size() > 0xFFFF ? 0xFFFF : s.size();
    u16(static_cast<uint16_t>(n));
    d.insert(d.end(), s.begin(), s.begin() + n);
  }
  std::vector<unsigned char> d;
};

class Lector {
 public:
  Lector(const unsigned char* p, size_t n) : p_(p), n_(n) {}
  bool u8(uint8_t& v) {
    if (pos_ + 1 > n_) return false;
    v = p_[pos_++];
    return true;
  }
  bool u16(uint16_t& v) {
    uint8_t a, b;
    if (!u8(a) || !u8(b)) return false;
    v = static_cast<uint16_t>(a | (b << 8));
    return true;
  }
  bool u32(uint32_t& v) {
    uint16_t a, b;
    if (!u16(a) || !u16(b)) return false;
    v = a | (uint32_t(b) << 16);
    return true;
  }
  bool i32(int32_t& v) {
    uint32_t u;
    if (!u32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool guid(GUID& g) {
    if (!u32(g.Data1) || !u16(g.Data2) || !u16(g.Data3)) return false;
    for (uint8_t& b : g.Data4)
      if (!u8(b)) return false;
    return true;
  }
  bool texto(std::string& s) {
    uint16_t n;
    if (!u16(n) || pos_ + n > n_) return false;
    s.assign(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return true;
  }
  bool cuenta(uint16_t& n) { return u16(n) && n <= kMaxElementos; }
  bool al_final() const { return pos_ == n_; }

 private:
  const unsigned char* p_;
  size_t n_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<unsigned char> escribir_biblioteca(const DeclBiblioteca& b) {
  Escritor e;
  for (char c : kMagia) e.u8(static_cast<uint8_t>(c));
  e.u16(kFormato);
  e.texto(b.nombre);
  e.guid(b.libid);
  e.u16(b.mayor);
  e.u16(b.menor);
  e.u32(b.lcid);
  e.u16(b.syskind);
  e.u16(b.flags);
  e.texto(b.ayuda);
  e.u16(static_cast<uint16_t>(b.importa.size()));
  for (const auto& i : b.importa) {
    e.texto(i.archivo);
    e.guid(i.libid);
    e.u16(i.mayor);
    e.u16(i.menor);
  }
  e.u16(static_cast<uint16_t>(b.tipos.size()));
  for (const auto& t : b.tipos) {
    e.u16(t.kind);
    e.guid(t.guid);
    e.texto(t.nombre);
    e.u16(t.mayor);
    e.u16(t.menor);
    e.u16(t.flags);
    e.texto(t.ayuda);
    e.texto(t.base);
    e.guid(t.guid_base);
    e.u16(t.ranuras);
    e.u16(static_cast<uint16_t>(t.funciones.size()));
    for (const auto& f : t.funciones) {
      e.texto(f.nombre);
      e.u32(static_cast<uint32_t>(f.memid));
      e.u16(f.slot);
      e.u16(f.invkind);
      e.u16(f.callconv);
      e.u16(f.funckind);
      e.u16(f.flags);
      e.u16(f.retorno);
      e.texto(f.ayuda);
      e.u16(static_cast<uint16_t>(f.parametros.size()));
      for (const auto& p : f.parametros) {
        e.texto(p.nombre);
        e.u16(p.vt);
        e.u8(p.puntero ? 1 : 0);
        e.u16(p.flags);
      }
    }
    e.u16(static_cast<uint16_t>(t.implementa.size()));
    for (const auto& i : t.implementa) {
      e.guid(i.guid);
      e.u16(i.flags);
    }
  }
  return e.d;
}

HRESULT leer_biblioteca(const unsigned char* datos, size_t tam, DeclBiblioteca& b) {
  if (!datos || tam < 6 || std::memcmp(datos, kMagia, 4) != 0) return TYPE_E_UNSUPFORMAT;
  Lector l(datos + 4, tam - 4);
  DeclBiblioteca r;
  uint16_t formato, n;
  if (!l.u16(formato) || formato != kFormato) return TYPE_E_UNSUPFORMAT;
  if (!l.texto(r.nombre) || !l.guid(r.libid) || !l.u16(r.mayor) || !l.u16(r.menor) || !l.u32(r.lcid) ||
      !l.u16(r.syskind) || !l.u16(r.flags) || !l.texto(r.ayuda) || !l.cuenta(n))
    return TYPE_E_UNSUPFORMAT;
  r.importa.resize(n);
  for (auto& i : r.importa)
    if (!l.texto(i.archivo) || !l.guid(i.libid) || !l.u16(i.mayor) || !l.u16(i.menor)) return TYPE_E_UNSUPFORMAT;
  if (!l.cuenta(n)) return TYPE_E_UNSUPFORMAT;
  r.tipos.resize(n);
  for (auto& t : r.tipos) {
    uint16_t nf, ni;
    if (!l.u16(t.kind) || !l.guid(t.guid) || !l.texto(t.nombre) || !l.u16(t.mayor) || !l.u16(t.menor) ||
        !l.u16(t.flags) || !l.texto(t.ayuda) || !l.texto(t.base) || !l.guid(t.guid_base) || !l.u16(t.ranuras) ||
        !l.cuenta(nf))
      return TYPE_E_UNSUPFORMAT;
    if (t.kind != TKIND_INTERFACE && t.kind != TKIND_DISPATCH && t.kind != TKIND_COCLASS) return TYPE_E_UNSUPFORMAT;
    t.funciones.resize(nf);
    for (auto& f : t.funciones) {
      uint16_t np;
      if (!l.texto(f.nombre) || !l.i32(f.memid) || !l.u16(f.slot) || !l.u16(f.invkind) || !l.u16(f.callconv) ||
          !l.u16(f.funckind) || !l.u16(f.flags) || !l.u16(f.retorno) || !l.texto(f.ayuda) || !l.cuenta(np))
        return TYPE_E_UNSUPFORMAT;
      // A member must lie inside the virtual table it claims.
      if (f.slot >= t.ranuras) return TYPE_E_UNSUPFORMAT;
      f.parametros.resize(np);
      for (auto& p : f.parametros) {
        uint8_t ptr;
        if (!l.texto(p.nombre) || !l.u16(p.vt) || !l.u8(ptr) || !l.u16(p.flags) || ptr > 1) return TYPE_E_UNSUPFORMAT;
        p.puntero = ptr != 0;
      }
    }
    if (!l.cuenta(ni)) return TYPE_E_UNSUPFORMAT;
    t.implementa.resize(ni);
    for (auto& i : t.implementa)
      if (!l.guid(i.guid) || !l.u16(i.flags)) return TYPE_E_UNSUPFORMAT;
  }
  if (!l.al_final()) return TYPE_E_UNSUPFORMAT;
  b = std::move(r);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Calling a virtual table slot.

namespace {

template <class... Ts>
HRESULT llamar_con(void* objeto, void* funcion, Ts... args) {
  using F = HRESULT (*)(void*, Ts...);
  return reinterpret_cast<F>(funcion)(objeto, args...);
}

template <class... Ts>
HRESULT despachar(void* objeto, void* funcion, const ArgumentoLlamada* a, size_t n, Ts... acumulados) {
  if (n == 0) return llamar_con(objeto, funcion, acumulados...);
  if constexpr (sizeof...(Ts) < 3) {
    if (a->es_variante) return despachar(objeto, funcion, a + 1, n - 1, acumulados..., a->variante);
    return despachar(objeto, funcion, a + 1, n - 1, acumulados..., a->palabra);
  } else {
    return DISP_E_BADPARAMCOUNT;
  }
}

}  // namespace

HRESULT llamar_slot(void* objeto, UINT slot, const ArgumentoLlamada* args, size_t cuantos) {
  if (!objeto) return E_POINTER;
  if (cuantos > 3) return DISP_E_BADPARAMCOUNT;
  // A COM interface pointer points at a pointer to its virtual table.
  void** vtabla = *static_cast<void***>(objeto);
  return despachar(objeto, vtabla[slot], args, cuantos);
}

// ---------------------------------------------------------------------------
// Loaded libraries and their type information.

namespace {

class BibliotecaCargada;

class InfoTipoCargada final : public ITypeInfo {
 public:
  InfoTipoCargada(BibliotecaCargada* bib, UINT indice);
  ~InfoTipoCargada();
  HRESULT QueryInterface(REFIID iid, void** r) override {
    if (!r) return E_POINTER;
    *r = nullptr;
    if (iid != IID_IUnknown && iid != IID_ITypeInfo) return E_NOINTERFACE;
    AddRef();
    *r = static_cast<ITypeInfo*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++ref_; }
  ULONG Release() override {
    ULONG n = --ref_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT GetTypeAttr(const DeclTipo** decl) override {
    if (!decl) return E_POINTER;
    *decl = &tipo();
    return S_OK;
  }
  HRESULT GetIDsOfNames(const OLECHAR* const* nombres, UINT cuantos, DISPID* ids) override;
  HRESULT Invoke(void* instancia, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* resultado, EXCEPINFO* excepcion,
                 UINT* arg_erroneo) override;
  HRESULT GetContainingTypeLib(ITypeLib** biblioteca, UINT* indice) override;

 private:
  const DeclTipo& tipo() const;
  BibliotecaCargada* bib_;
  UINT indice_;
  ULONG ref_ = 0;
};

class BibliotecaCargada final : public ITypeLib {
 public:
  explicit BibliotecaCargada(DeclBiblioteca d) : decl(std::move(d)) {}
  HRESULT QueryInterface(REFIID iid, void** r) override {
    if (!r) return E_POINTER;
    *r = nullptr;
    if (iid != IID_IUnknown && iid != IID_ITypeLib) return E_NOINTERFACE;
    AddRef();
    *r = static_cast<ITypeLib*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++ref_; }
  ULONG Release() override {
    ULONG n = --ref_;
    if (n == 0) delete this;
    return n;
  }
  UINT GetTypeInfoCount() override { return static_cast<UINT>(decl.tipos.size()); }
  HRESULT GetTypeInfo(UINT indice, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (indice >= decl.tipos.size()) return TYPE_E_ELEMENTNOTFOUND;
    auto* p = new (std::nothrow) InfoTipoCargada(this, indice);
    if (!p) return E_OUTOFMEMORY;
    p->AddRef();
    *info = p;
    return S_OK;
  }
  HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    for (UINT i = 0; i < decl.tipos.size(); ++i)
      if (decl.tipos[i].guid == guid) return GetTypeInfo(i, info);
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetLibAttr(const DeclBiblioteca** d) override {
    if (!d) return E_POINTER;
    *d = &decl;
    return S_OK;
  }
  DeclBiblioteca decl;

 private:
  ULONG ref_ = 0;
};

InfoTipoCargada::InfoTipoCargada(BibliotecaCargada* bib, UINT indice) : bib_(bib), indice_(indice) { bib_->AddRef(); }
InfoTipoCargada::~InfoTipoCargada() { bib_->Release(); }
const DeclTipo& InfoTipoCargada::tipo() const { return bib_->decl.tipos[indice_]; }

HRESULT InfoTipoCargada::GetContainingTypeLib(ITypeLib** biblioteca, UINT* indice) {
  if (!biblioteca) return E_POINTER;
  bib_->AddRef();
  *biblioteca = bib_;
  if (indice) *indice = indice_;
  return S_OK;
}

HRESULT InfoTipoCargada::GetIDsOfNames(const OLECHAR* const* nombres, UINT cuantos, DISPID* ids) {
  if (!ids || (cuantos && !nombres)) return E_POINTER;
  if (cuantos == 0) return S_OK;
  for (UINT i = 0; i < cuantos; ++i) ids[i] = DISPID_UNKNOWN;
  auto nombre = [&](UINT i) -> std::u16string_view {
    return nombres[i] ? std::u16string_view(nombres[i]) : std::u16string_view();
  };
  const DeclFuncion* f = nullptr;
  for (const auto& c : tipo().funciones)
    if (iguales_sin_caso(ansi_a_ancho(c.nombre), nombre(0))) {
      f = &c;
      break;
    }
  if (!f) return DISP_E_UNKNOWNNAME;
  ids[0] = f->memid;
  HRESULT r = S_OK;
  for (UINT i = 1; i < cuantos; ++i) {
    for (size_t k = 0; k < f->parametros.size(); ++k)
      if (iguales_sin_caso(ansi_a_ancho(f->parametros[k].nombre), nombre(i))) ids[i] = static_cast<DISPID>(k);
    if (ids[i] == DISPID_UNKNOWN) r = DISP_E_UNKNOWNNAME;
  }
  return r;
}

HRESULT InfoTipoCargada::Invoke(void* instancia, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* resultado,
                                EXCEPINFO* excepcion, UINT* arg_erroneo) {
  if (!instancia) return E_INVALIDARG;
  if (!params) return E_INVALIDARG;
  if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
  const DeclFuncion* f = nullptr;
  for (const auto& c : tipo().funciones)
    if (c.memid == id && (c.invkind & flags)) {
      f = &c;
      break;
    }
  if (!f) return DISP_E_MEMBERNOTFOUND;
  if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
  size_t entradas = 0;
  for (const auto& p : f->parametros)
    if (!(p.flags & PARAMFLAG_FRETVAL)) ++entradas;
  if (params->cArgs != entradas) return DISP_E_BADPARAMCOUNT;
  if (f->parametros.size() > 3) return DISP_E_BADPARAMCOUNT;

  ArgumentoLlamada args[3];
  VARIANT convertidos[3];
  bool propio[3] = {false, false, false};
  for (auto& c : convertidos) VariantInit(&c);
  BSTR retorno_texto = nullptr;
  bool hay_retorno = false;
  HRESULT r = S_OK;
  size_t siguiente = 0;  // next argument, counting from the first declared
  for (size_t k = 0; k < f->parametros.size() && SUCCEEDED(r); ++k) {
    const auto& p = f->parametros[k];
    if (p.flags & PARAMFLAG_FRETVAL) {
      if (!p.puntero || p.vt != VT_BSTR) {
        r = DISP_E_BADVARTYPE;
        break;
      }
      hay_retorno = true;
      args[k].palabra = reinterpret_cast<uintptr_t>(&retorno_texto);
      continue;
    }
    UINT pos = params->cArgs - 1 - static_cast<UINT>(siguiente++);
    const VARIANT& origen = params->rgvarg[pos];
    if (p.vt == VT_VARIANT && !p.puntero) {
      args[k].es_variante = true;
      args[k].variante = (origen.vt == (VT_BYREF | VT_VARIANT) && origen.pvarVal) ? *origen.pvarVal : origen;
    } else if (!p.puntero && (p.vt == VT_BSTR || p.vt == VT_I4 || p.vt == VT_BOOL || p.vt == VT_UI4 || p.vt == VT_I2)) {
      if (origen.vt == p.vt) {
        convertidos[k] = origen;  // borrowed: not cleared below
      } else {
        HRESULT c = VariantChangeType(&convertidos[k], &origen, 0, p.vt);
        propio[k] = SUCCEEDED(c);
        if (FAILED(c)) {
          if (arg_erroneo) *arg_erroneo = pos;
          r = DISP_E_TYPEMISMATCH;
          break;
        }
      }
      args[k].palabra = p.vt == VT_BSTR ? reinterpret_cast<uintptr_t>(convertidos[k].bstrVal)
                                        : static_cast<uint64_t>(static_cast<uint32_t>(convertidos[k].lVal));
    } else {
      r = DISP_E_BADVARTYPE;
    }
  }
  HRESULT llamada = S_OK;
  if (SUCCEEDED(r)) llamada = llamar_slot(instancia, f->slot, args, f->parametros.size());
  // Only the values this call converted are owned here.
  for (size_t k = 0; k < 3; ++k)
    if (propio[k]) VariantClear(&convertidos[k]);
  if (FAILED(r)) return r;
  if (FAILED(llamada)) {
    SysFreeString(retorno_texto);
    if (excepcion) {
      std::memset(excepcion, 0, sizeof *excepcion);
      excepcion->scode = llamada;
    }
    return DISP_E_EXCEPTION;
  }
  if (hay_retorno) {
    if (resultado) {
      VariantClear(resultado);
      resultado->vt = VT_BSTR;
      resultado->bstrVal = retorno_texto;
    } else {
      SysFreeString(retorno_texto);
    }
  } else if (resultado) {
    VariantClear(resultado);
  }
  return S_OK;
}

// The contents of a named section of a 64-bit ELF file.
bool seccion_elf(std::ifstream& f, uint64_t tam_archivo, const char* nombre, std::vector<unsigned char>& datos) {
  Elf64_Ehdr eh;
  f.seekg(0);
  if (!f.read(reinterpret_cast<char*>(&eh), sizeof eh)) return false;
  if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB) return false;
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shnum == 0 || eh.e_shstrndx >= eh.e_shnum) return false;
  if (eh.e_shoff > tam_archivo || uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr) > tam_archivo - eh.e_shoff) return false;
  std::vector<Elf64_Shdr> sh(eh.e_shnum);
  f.seekg(static_cast<std::streamoff>(eh.e_shoff));
  if (!f.read(reinterpret_cast<char*>(sh.data()), static_cast<std::streamsize>(sh.size() * sizeof(Elf64_Shdr))))
    return false;
  auto leer = [&](const Elf64_Shdr& s, std::vector<unsigned char>& v) {
    if (s.sh_type == SHT_NOBITS || s.sh_offset > tam_archivo || s.sh_size > tam_archivo - s.sh_offset ||
        s.sh_size > (64u << 20))
      return false;
    v.resize(s.sh_size);
    f.seekg(static_cast<std::streamoff>(s.sh_offset));
    return static_cast<bool>(f.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size())));
  };
  std::vector<unsigned char> nombres;
  if (!leer(sh[eh.e_shstrndx], nombres)) return false;
  size_t largo = std::strlen(nombre);
  for (const auto& s : sh) {
    if (s.sh_name >= nombres.size() || nombres.size() - s.sh_name < largo + 1) continue;
    if (std::memcmp(nombres.data() + s.sh_name, nombre, largo + 1) == 0) return leer(s, datos);
  }
  return false;
}

}  // namespace

HRESULT crear_biblioteca(DeclBiblioteca decl, ITypeLib** resultado) {
  if (!resultado) return E_POINTER;
  auto* b = new (std::nothrow) BibliotecaCargada(std::move(decl));
  if (!b) return E_OUTOFMEMORY;
  b->AddRef();
  *resultado = b;
  return S_OK;
}

HRESULT LoadTypeLib(const std::string& archivo, ITypeLib** resultado) {
  if (!resultado) return E_POINTER;
  *resultado = nullptr;
  std::ifstream f(archivo, std::ios::binary);
  if (!f) return TYPE_E_CANTLOADLIBRARY;
  f.seekg(0, std::ios::end);
  auto fin = f.tellg();
  if (fin < 0) return TYPE_E_CANTLOADLIBRARY;
  uint64_t tam = static_cast<uint64_t>(fin);
  unsigned char cabecera[4] = {};
  f.seekg(0);
  if (tam < 4 || !f.read(reinterpret_cast<char*>(cabecera), 4)) return TYPE_E_CANTLOADLIBRARY;
  std::vector<unsigned char> datos;
  if (std::memcmp(cabecera, kMagia, 4) == 0) {
    if (tam > (64u << 20)) return TYPE_E_UNSUPFORMAT;
    datos.resize(tam);
    f.seekg(0);
    if (!f.read(reinterpret_cast<char*>(datos.data()), static_cast<std::streamsize>(tam))) return TYPE_E_IOERROR;
  } else if (std::memcmp(cabecera, ELFMAG, SELFMAG) == 0) {
    if (!seccion_elf(f, tam, ".rsrc.TYPELIB.1", datos)) return TYPE_E_CANTLOADLIBRARY;
  } else {
    return TYPE_E_CANTLOADLIBRARY;
  }
  DeclBiblioteca decl;
  HRESULT r = leer_biblioteca(datos.data(), datos.size(), decl);
  if (FAILED(r)) return r;
  return crear_biblioteca(std::move(decl), resultado);
}

}  // namespace com
