// Support for the kit's COM objects: the reference-counted root, the plain and
// aggregated object forms, the dispatch implementation served from a
// registered type library, the class identity with its default creation, and
// the class factory. The server module that objects lock and unlock is reached
// through `Modulo`.
#pragma once

#include <new>

#include "interfaces.h"

namespace com {

// The server module as objects see it: each object locks it at construction
// and unlocks it at destruction; LockServer locks and unlocks it too.
struct Modulo {
  virtual int32_t Lock() = 0;
  virtual int32_t Unlock() = 0;

 protected:
  ~Modulo() = default;
};
void fijar_modulo(Modulo* m);
Modulo* modulo_activo();
inline void bloquear_modulo() {
  if (auto* m = modulo_activo()) m->Lock();
}
inline void desbloquear_modulo() {
  if (auto* m = modulo_activo()) m->Unlock();
}

// Reference count of a single-threaded object (plain counter, no atomics).
// A class built on it declares its interface map as
//   IUnknown* buscar_interfaz(REFIID iid);
// giving the interface pointer for iid, or null; IUnknown is answered by the
// first entry.
class RaizObjeto {
 protected:
  ULONG InternalAddRef() { return ++ref_; }
  ULONG InternalRelease() { return --ref_; }
  template <class T>
  static HRESULT consultar_mapa(T* objeto, REFIID iid, void** resultado) {
    if (!resultado) return E_POINTER;
    *resultado = nullptr;
    IUnknown* p = objeto->buscar_interfaz(iid);
    if (!p) return E_NOINTERFACE;
    p->AddRef();
    *resultado = p;
    return S_OK;
  }
  ULONG ref_ = 0;
};

// Plain object: IUnknown is its own.
template <class T>
class ObjetoCom final : public T {
 public:
  ObjetoCom() { bloquear_modulo(); }
  ~ObjetoCom() { desbloquear_modulo(); }
  HRESULT QueryInterface(REFIID iid, void** resultado) override { return this->consultar_mapa(this, iid, resultado); }
  ULONG AddRef() override { return this->InternalAddRef(); }
  ULONG Release() override {
    ULONG n = this->InternalRelease();
    if (n == 0) delete this;
    return n;
  }
  ULONG cuenta_referencias() const { return this->ref_; }
};

// The inner part of an aggregated object: every IUnknown call goes to the outer object.
template <class T>
class ContenidoObjeto final : public T {
 public:
  explicit ContenidoObjeto(IUnknown* exterior) : exterior_(exterior) {}
  HRESULT QueryInterface(REFIID iid, void** resultado) override { return exterior_->QueryInterface(iid, resultado); }
  ULONG AddRef() override { return exterior_->AddRef(); }
  ULONG Release() override { return exterior_->Release(); }
  HRESULT consultar_propia(REFIID iid, void** resultado) { return this->consultar_mapa(this, iid, resultado); }

 private:
  IUnknown* exterior_;
};

// Aggregated object: this is the inner (non-delegating) IUnknown that only the
// outer object holds; the contained part answers every other interface.
template <class T>
class ObjetoAgregado final : public IUnknown {
 public:
  explicit ObjetoAgregado(IUnknown* exterior) : contenido_(exterior) { bloquear_modulo(); }
  ~ObjetoAgregado() { desbloquear_modulo(); }
  HRESULT QueryInterface(REFIID iid, void** resultado) override {
    if (!resultado) return E_POINTER;
    *resultado = nullptr;
    if (iid == IID_IUnknown) {
      AddRef();
      *resultado = static_cast<IUnknown*>(this);
      return S_OK;
    }
    return contenido_.consultar_propia(iid, resultado);
  }
  ULONG AddRef() override { return ++ref_; }
  ULONG Release() override {
    ULONG n = --ref_;
    if (n == 0) delete this;
    return n;
  }
  ContenidoObjeto<T>& contenido() { return contenido_; }

 private:
  ULONG ref_ = 0;
  ContenidoObjeto<T> contenido_;
};

// The class identity and its default creation, which allows aggregation:
// a plain object without an outer object, an aggregated one with it.
template <class T, const CLSID* pclsid>
class CoClase {
 public:
  static const CLSID& GetObjectCLSID() { return *pclsid; }
  static HRESULT crear_instancia(IUnknown* exterior, REFIID iid, void** resultado) {
    if (!resultado) return E_POINTER;
    *resultado = nullptr;
    HRESULT r;
    if (exterior) {
      auto* p = new (std::nothrow) ObjetoAgregado<T>(exterior);
      if (!p) return E_OUTOFMEMORY;
      r = p->QueryInterface(iid, resultado);
      if (FAILED(r)) delete p;
    } else {
      auto* p = new (std::nothrow) ObjetoCom<T>();
      if (!p) return E_OUTOFMEMORY;
      r = p->QueryInterface(iid, resultado);
      if (FAILED(r)) delete p;
    }
    return r;
  }
};

// The class factory of one class. It is a single object with static lifetime;
// its own references do not count in the module's lock count.
template <class T>
class FabricaClase final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** resultado) override {
    if (!resultado) return E_POINTER;
    *resultado = nullptr;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      AddRef();
      *resultado = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++ref_; }
  ULONG Release() override { return ref_ > 1 ? --ref_ : (ref_ = 1); }
  HRESULT CreateInstance(IUnknown* exterior, REFIID iid, void** resultado) override {
    if (!resultado) return E_POINTER;
    *resultado = nullptr;
    if (exterior && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return T::crear_instancia(exterior, iid, resultado);
  }
  HRESULT LockServer(BOOL bloquear) override {
    if (bloquear)
      bloquear_modulo();
    else
      desbloquear_modulo();
    return S_OK;
  }

 private:
  ULONG ref_ = 1;
};

// Type information of one interface, loaded from the registered type library
// at first need and kept.
class TenedorInfoTipo {
 public:
  TenedorInfoTipo(const IID* iid, const GUID* libid, WORD mayor, WORD menor)
      : iid_(iid), libid_(libid), mayor_(mayor), menor_(menor) {}
  HRESULT GetTypeInfo(UINT indice, LCID lcid, ITypeInfo** info);
  HRESULT GetIDsOfNames(OLECHAR** nombres, UINT cuantos, LCID lcid, DISPID* ids);
  HRESULT Invoke(void* instancia, DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* resultado,
                 EXCEPINFO* excepcion, UINT* arg_erroneo);
  // Forgets the loaded information, so that the next need loads it again.
  void liberar();

 private:
  HRESULT obtener(LCID lcid);
  const IID* iid_;
  const GUID* libid_;
  WORD mayor_, menor_;
  ITypeInfo* info_ = nullptr;
};

// IDispatch of a dual interface I, served from the type information of
// (piid, plibid, mayor.menor).
template <class I, const IID* piid, const GUID* plibid, WORD mayor = 1, WORD menor = 0>
class DispatchImpl : public I {
 public:
  HRESULT GetTypeInfoCount(UINT* cuenta) override {
    if (!cuenta) return E_POINTER;
    *cuenta = 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT indice, LCID lcid, ITypeInfo** info) override {
    return tenedor().GetTypeInfo(indice, lcid, info);
  }
  HRESULT GetIDsOfNames(REFIID, OLECHAR** nombres, UINT cuantos, LCID lcid, DISPID* ids) override {
    return tenedor().GetIDsOfNames(nombres, cuantos, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* resultado,
                 EXCEPINFO* excepcion, UINT* arg_erroneo) override {
    return tenedor().Invoke(static_cast<I*>(this), id, iid, lcid, flags, params, resultado, excepcion, arg_erroneo);
  }
  static TenedorInfoTipo& tenedor() {
    static TenedorInfoTipo t(piid, plibid, mayor, menor);
    return t;
  }
};

}  // namespace com
