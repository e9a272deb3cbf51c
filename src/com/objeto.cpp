#include "objeto.h"

#include "biblioteca_tipos.h"
#include "registro_tipos.h"

namespace com {

namespace {
Modulo* g_modulo = nullptr;
}

void fijar_modulo(Modulo* m) { g_modulo = m; }
Modulo* modulo_activo() { return g_modulo; }

HRESULT TenedorInfoTipo::obtener(LCID lcid) {
  if (info_) return S_OK;
  ITypeLib* lib = nullptr;
  HRESULT r = LoadRegTypeLib(*libid_, mayor_, menor_, lcid, &lib);
  if (FAILED(r)) return r;
  ITypeInfo* info = nullptr;
  r = lib->GetTypeInfoOfGuid(*iid_, &info);
  lib->Release();
  if (FAILED(r)) return r;
  info_ = info;
  return S_OK;
}

void TenedorInfoTipo::liberar() {
  if (info_) info_->Release();
  info_ = nullptr;
}

HRESULT TenedorInfoTipo::GetTypeInfo(UINT indice, LCID lcid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (indice != 0) return DISP_E_BADINDEX;
  HRESULT r = obtener(lcid);
  if (FAILED(r)) return r;
  info_->AddRef();
  *info = info_;
  return S_OK;
}

HRESULT TenedorInfoTipo::GetIDsOfNames(OLECHAR** nombres, UINT cuantos, LCID lcid, DISPID* ids) {
  HRESULT r = obtener(lcid);
  if (FAILED(r)) return r;
  return info_->GetIDsOfNames(nombres, cuantos, ids);
}

HRESULT TenedorInfoTipo::Invoke(void* instancia, DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* resultado, EXCEPINFO* excepcion, UINT* arg_erroneo) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  HRESULT r = obtener(lcid);
  if (FAILED(r)) return r;
  return info_->Invoke(instancia, id, flags, params, resultado, excepcion, arg_erroneo);
}

}  // namespace com
