// The type library unit of kalovet: the identities of the library "kalovet",
// its interface IAutoKalovet and its class AutoKalovet, the interface as the
// program's code calls it, and the library's declarations, from which the
// build makes the library that the program file carries.
#pragma once

#include "biblioteca_tipos.h"
#include "interfaces.h"

namespace Kalovet_tlb {

using com::BSTR;
using com::GUID;
using com::HRESULT;
using com::VARIANT;

inline const GUID LIBID_kalovet{0xEB615240, 0x29DE, 0x11D5, {0xBB, 0x98, 0x00, 0x00, 0x01, 0x18, 0x23, 0x75}};
inline const GUID IID_IAutoKalovet{0xEB615241, 0x29DE, 0x11D5, {0xBB, 0x98, 0x00, 0x00, 0x01, 0x18, 0x23, 0x75}};
inline const GUID CLSID_AutoKalovet{0xEB615243, 0x29DE, 0x11D5, {0xBB, 0x98, 0x00, 0x00, 0x01, 0x18, 0x23, 0x75}};

inline constexpr const char* PROGID_AutoKalovet = "kalovet.AutoKalovet";
inline constexpr const char* DESCRIPCION_AutoKalovet = "Automation per a Kalovet";

// Dual interface: the 7 slots of IDispatch, then EnviaStr (slot 7, dispatch
// identifier 1) and ConsultaStr (slot 8, dispatch identifier 2).
struct IAutoKalovet : com::IDispatch {
  virtual HRESULT EnviaStr(VARIANT Dato) = 0;
  virtual HRESULT ConsultaStr(BSTR* Dato) = 0;

 protected:
  ~IAutoKalovet() = default;
};

// The library "kalovet" as declared: version 1.0, locale 0x0409, 32-bit
// Windows, importing STDOLE2.TLB for IDispatch; interface IAutoKalovet and
// class AutoKalovet.
com::DeclBiblioteca declaraciones();

}  // namespace Kalovet_tlb
