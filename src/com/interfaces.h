// The COM interfaces of the kit, with the binary layout COM clients rely on:
// each interface is a class of pure virtual functions, no virtual destructor,
// so its virtual table holds exactly its methods in declaration order
// (IUnknown: QueryInterface, AddRef, Release; IDispatch: then GetTypeInfoCount,
// GetTypeInfo, GetIDsOfNames, Invoke).
#pragma once

#include "tipos_base.h"

namespace com {

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** resultado) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDispatch;
struct ITypeInfo;
struct ITypeLib;

struct CY {
  int64_t int64;  // value times 10000
};
using DATE = double;  // days since 30 December 1899, time of day as the fraction

struct DECIMAL {
  WORD wReserved;  // overlaps the VARIANT's type
  uint8_t scale;   // 0 to 28 decimal places
  uint8_t sign;    // 0x80 for negative
  uint32_t Hi32;
  uint64_t Lo64;
};

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
  union {
    struct {
      VARTYPE vt;
      WORD wReserved1;
      WORD wReserved2;
      WORD wReserved3;
      union {
        int64_t llVal;
        int32_t lVal;
        uint8_t bVal;
        int16_t iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        int8_t cVal;
        uint16_t uiVal;
        uint32_t ulVal;
        uint64_t ullVal;
        int32_t intVal;
        uint32_t uintVal;
        void* byref;
        VARIANT* pvarVal;
        struct {
          void* pvRecord;
          void* pRecInfo;
        } brecord;
      };
    };
    DECIMAL decVal;
  };
};

struct DISPPARAMS {
  VARIANT* rgvarg;  // arguments in reverse order
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  void* pfnDeferredFillIn;
  HRESULT scode;
};

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 8;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* cuenta) = 0;
  virtual HRESULT GetTypeInfo(UINT indice, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, OLECHAR** nombres, UINT cuantos, LCID lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* resultado,
                         EXCEPINFO* excepcion, UINT* arg_erroneo) = 0;

 protected:
  ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* exterior, REFIID iid, void** resultado) = 0;
  virtual HRESULT LockServer(BOOL bloquear) = 0;

 protected:
  ~IClassFactory() = default;
};

struct DeclBiblioteca;
struct DeclTipo;

// Type information of one interface or class of a loaded type library.
struct ITypeInfo : IUnknown {
  // The declaration, valid while this type information lives.
  virtual HRESULT GetTypeAttr(const DeclTipo** decl) = 0;
  // Member name first, then parameter names; matched without regard to case.
  virtual HRESULT GetIDsOfNames(const OLECHAR* const* nombres, UINT cuantos, DISPID* ids) = 0;
  // Calls the member on an object that implements this interface, through the
  // object's virtual table at the member's slot.
  virtual HRESULT Invoke(void* instancia, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* resultado,
                         EXCEPINFO* excepcion, UINT* arg_erroneo) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** biblioteca, UINT* indice) = 0;

 protected:
  ~ITypeInfo() = default;
};

struct ITypeLib : IUnknown {
  virtual UINT GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(UINT indice, ITypeInfo** info) = 0;
  virtual HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) = 0;
  virtual HRESULT GetLibAttr(const DeclBiblioteca** decl) = 0;

 protected:
  ~ITypeLib() = default;
};

}  // namespace com
