// TAutoKalovetImpl, the automation class AutoKalovet: the dual interface
// IAutoKalovet with EnviaStr and ConsultaStr, which carry the same texts as the
// TCP protocol. The object has no state of its own; every object works on the
// simulator's one signal store. Objects are made plain or aggregated by the
// class factory, and each one locks the server module while it lives.
#pragma once

#include <functional>
#include <string>

#include "Kalovet_tlb.h"
#include "objeto.h"

// What the automation object reaches of the rest of the simulator. The program
// links these to the message functions and to the communications window's
// memos; tests link recorders.
struct EnlacesAutomatizacion {
  std::function<std::string()> componer_estado;
  std::function<void(const std::string&)> aplicar_escritura;
  std::function<void(const std::string&)> mostrar_trasmes;  // whole text of Memo1 ("Trasmes")
  std::function<void(const std::string&)> mostrar_rebut;    // whole text of Memo2 ("Rebut")
};
void fijar_enlaces_automatizacion(EnlacesAutomatizacion enlaces);

class TAutoKalovetImpl
    : public com::RaizObjeto,
      public com::CoClase<TAutoKalovetImpl, &Kalovet_tlb::CLSID_AutoKalovet>,
      public com::DispatchImpl<Kalovet_tlb::IAutoKalovet, &Kalovet_tlb::IID_IAutoKalovet, &Kalovet_tlb::LIBID_kalovet,
                               1, 0> {
 public:
  // Interface map: IAutoKalovet and IDispatch with the same pointer, IUnknown
  // through the first entry.
  com::IUnknown* buscar_interfaz(const com::IID& iid);

  // Shows the argument's text in Memo2 and applies it as a write message.
  com::HRESULT EnviaStr(com::VARIANT Dato) override;
  // Returns the state reply (a new string the caller frees) and shows it in Memo1.
  com::HRESULT ConsultaStr(com::BSTR* Dato) override;
};

// The class factory that the server module registers.
com::IClassFactory* fabrica_AutoKalovet();
