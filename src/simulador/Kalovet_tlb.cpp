#include "Kalovet_tlb.h"

namespace Kalovet_tlb {

com::DeclBiblioteca declaraciones() {
  using namespace com;
  DeclBiblioteca b;
  b.nombre = "kalovet";
  b.libid = LIBID_kalovet;
  b.mayor = 1;
  b.menor = 0;
  b.lcid = 0x0409;
  b.syskind = SYS_WIN32;
  b.flags = 0;
  b.ayuda = "kalovet Library";
  b.importa.push_back(DeclImportada{"STDOLE2.TLB", LIBID_stdole, 2, 0});

  DeclTipo i;
  i.kind = TKIND_DISPATCH;
  i.guid = IID_IAutoKalovet;
  i.nombre = "IAutoKalovet";
  i.mayor = 1;
  i.menor = 0;
  i.flags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
  i.ayuda = "Dispatch interface for AutoKalovet Object";
  i.base = "IDispatch";
  i.guid_base = IID_IDispatch;
  i.ranuras = 9;

  DeclFuncion envia;
  envia.nombre = "EnviaStr";
  envia.memid = 1;
  envia.slot = 7;
  envia.parametros.push_back(DeclParametro{"Dato", VT_VARIANT, false, PARAMFLAG_FIN});
  i.funciones.push_back(envia);

  DeclFuncion consulta;
  consulta.nombre = "ConsultaStr";
  consulta.memid = 2;
  consulta.slot = 8;
  consulta.parametros.push_back(DeclParametro{"Dato", VT_BSTR, true, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL});
  i.funciones.push_back(consulta);
  b.tipos.push_back(i);

  DeclTipo c;
  c.kind = TKIND_COCLASS;
  c.guid = CLSID_AutoKalovet;
  c.nombre = "AutoKalovet";
  c.mayor = 1;
  c.menor = 0;
  c.flags = TYPEFLAG_FCANCREATE;
  c.ayuda = "AutoKalovet Object";
  c.implementa.push_back(DeclImplementada{IID_IAutoKalovet, IMPLTYPEFLAG_FDEFAULT});
  b.tipos.push_back(c);
  return b;
}

}  // namespace Kalovet_tlb
