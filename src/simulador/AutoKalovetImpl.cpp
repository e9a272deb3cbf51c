#include "AutoKalovetImpl.h"

#include "bstr.h"
#include "variante.h"

using namespace com;

namespace {
EnlacesAutomatizacion& enlaces() {
  static EnlacesAutomatizacion e;
  return e;
}

// The argument as text: a copy changed to VT_BSTR (flags 0), up to its first
// zero character. A value that has no text (null, an error value, an object
// without a value) gives the empty text.
std::string texto_de(const VARIANT& dato) {
  VARIANT copia;
  VariantInit(&copia);
  std::string texto;
  if (SUCCEEDED(VariantCopy(&copia, &dato)) && SUCCEEDED(VariantChangeType(&copia, &copia, 0, VT_BSTR)))
    texto = ansi_de_bstr(copia.bstrVal);
  VariantClear(&copia);
  return texto;
}
}  // namespace

void fijar_enlaces_automatizacion(EnlacesAutomatizacion e) { enlaces() = std::move(e); }

IUnknown* TAutoKalovetImpl::buscar_interfaz(const IID& iid) {
  if (iid == IID_IUnknown || iid == Kalovet_tlb::IID_IAutoKalovet || iid == IID_IDispatch)
    return static_cast<Kalovet_tlb::IAutoKalovet*>(this);
  return nullptr;
}

HRESULT TAutoKalovetImpl::EnviaStr(VARIANT Dato) {
  const auto& e = enlaces();
  if (e.mostrar_rebut) e.mostrar_rebut(texto_de(Dato));
  if (e.aplicar_escritura) e.aplicar_escritura(texto_de(Dato));
  return S_OK;
}

HRESULT TAutoKalovetImpl::ConsultaStr(BSTR* Dato) {
  // A null out-argument can only come through the virtual table; it is refused
  // rather than written through.
  if (!Dato) return E_POINTER;
  const auto& e = enlaces();
  std::string estado = e.componer_estado ? e.componer_estado() : std::string();
  std::u16string ancho = ansi_a_ancho(estado);
  if (e.mostrar_trasmes) e.mostrar_trasmes(ancho_a_ansi(ancho));
  *Dato = SysAllocStringLen(ancho.data(), static_cast<UINT>(ancho.size()));
  return *Dato ? S_OK : E_OUTOFMEMORY;
}

IClassFactory* fabrica_AutoKalovet() {
  static FabricaClase<TAutoKalovetImpl> fabrica;
  return &fabrica;
}
