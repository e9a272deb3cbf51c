// Basic types of the kit's COM layer: integer widths, HRESULT values with their
// Windows numbers, and interface identifiers (GUIDs) with their braced text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com {

using HRESULT = int32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LCID = uint32_t;
using DISPID = int32_t;
using BOOL = int32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Windows numbers of the results this layer gives.
constexpr HRESULT hr(uint32_t v) { return static_cast<HRESULT>(v); }
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT REGDB_E_READREGDB = hr(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hr(0x80040151);
inline constexpr HRESULT CO_E_NOT_SUPPORTED = hr(0x80004021);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);
inline constexpr HRESULT DISP_E_UNKNOWNLCID = hr(0x8002000C);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000F);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = hr(0x8002801D);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr(0x8002802B);
inline constexpr HRESULT TYPE_E_INVALIDSTATE = hr(0x80028029);
inline constexpr HRESULT TYPE_E_UNSUPFORMAT = hr(0x80028019);
inline constexpr HRESULT TYPE_E_IOERROR = hr(0x80028CA2);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = hr(0x80029C4A);
inline constexpr HRESULT STG_E_FILENOTFOUND = hr(0x80030002);

// "E_NOINTERFACE" for a known value, "HRESULT_80004002"-like text otherwise.
std::string nombre_hresult(HRESULT hr);
// "0x80004002".
std::string texto_hresult(HRESULT hr);

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;

// Braced upper-case hexadecimal, as {EB615243-29DE-11D5-BB98-000001182375}.
std::string texto_guid(const GUID& g);
// Reads the braced form (either case of hexadecimal digits); nothing for any
// other text.
std::optional<GUID> leer_guid(std::string_view texto);
// A constant from its text; the text must be well formed (checked at start-up).
GUID guid_de(std::string_view texto);

inline const IID IID_NULL{};
inline const IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline const IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline const IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline const IID IID_ITypeInfo{0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline const IID IID_ITypeLib{0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The standard OLE Automation library, which declares IDispatch.
inline const GUID LIBID_stdole{0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The type-library marshaler that type-library registration names for dual interfaces.
inline const CLSID CLSID_PSOAInterface{0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace com
