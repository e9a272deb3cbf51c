// Type libraries: their declarations, the kit's binary form of them, loading
// one from a file (a bare library file, or a program file that carries it in
// its ".rsrc.TYPELIB.1" section), and the type information objects through
// which IDispatch resolves names and calls members.
#pragma once

#include <string>
#include <vector>

#include "interfaces.h"

namespace com {

enum TipoKind : WORD { TKIND_INTERFACE = 3, TKIND_DISPATCH = 4, TKIND_COCLASS = 5 };
enum : WORD { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };
enum : WORD { TYPEFLAG_FAPPOBJECT = 0x1, TYPEFLAG_FCANCREATE = 0x2, TYPEFLAG_FAGGREGATABLE = 0x400,
              TYPEFLAG_FDUAL = 0x40, TYPEFLAG_FOLEAUTOMATION = 0x100, TYPEFLAG_FDISPATCHABLE = 0x1000 };
enum : WORD { INVOKE_FUNC = 1, INVOKE_PROPERTYGET = 2, INVOKE_PROPERTYPUT = 4, INVOKE_PROPERTYPUTREF = 8 };
enum : WORD { CC_CDECL = 1, CC_STDCALL = 4 };
enum : WORD { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL = 1 };
enum : WORD { PARAMFLAG_FIN = 0x1, PARAMFLAG_FOUT = 0x2, PARAMFLAG_FRETVAL = 0x8 };
enum : WORD { IMPLTYPEFLAG_FDEFAULT = 0x1 };

struct DeclParametro {
  std::string nombre;
  VARTYPE vt = VT_VARIANT;
  bool puntero = false;  // passed as a pointer to vt (an out-argument)
  WORD flags = PARAMFLAG_FIN;
};

struct DeclFuncion {
  std::string nombre;
  DISPID memid = 0;
  WORD slot = 0;  // index in the interface's virtual table
  WORD invkind = INVOKE_FUNC;
  WORD callconv = CC_STDCALL;
  WORD funckind = FUNC_PUREVIRTUAL;
  WORD flags = 0;
  VARTYPE retorno = VT_HRESULT;
  std::string ayuda;
  std::vector<DeclParametro> parametros;
};

struct DeclImplementada {
  GUID guid;
  WORD flags = 0;
};

struct DeclTipo {
  WORD kind = TKIND_DISPATCH;
  GUID guid;
  std::string nombre;
  WORD mayor = 1, menor = 0;
  WORD flags = 0;
  std::string ayuda;
  std::string base;  // name of the interface it derives from ("IDispatch")
  GUID guid_base;
  WORD ranuras = 0;  // size of the virtual table, in entries
  std::vector<DeclFuncion> funciones;
  std::vector<DeclImplementada> implementa;  // classes: the interfaces they implement
};

struct DeclImportada {
  std::string archivo;
  GUID libid;
  WORD mayor = 0, menor = 0;
};

struct DeclBiblioteca {
  std::string nombre;
  GUID libid;
  WORD mayor = 1, menor = 0;
  LCID lcid = 0;
  WORD syskind = SYS_WIN32;
  WORD flags = 0;
  std::string ayuda;
  std::vector<DeclImportada> importa;
  std::vector<DeclTipo> tipos;
};

// The binary form ("KTLB", format 1, little-endian, counted strings).
std::vector<unsigned char> escribir_biblioteca(const DeclBiblioteca& b);
// TYPE_E_UNSUPFORMAT for anything that is not a whole, well-formed library.
HRESULT leer_biblioteca(const unsigned char* datos, size_t tam, DeclBiblioteca& b);

// A loaded library as an ITypeLib holding one reference for the caller.
HRESULT crear_biblioteca(DeclBiblioteca decl, ITypeLib** resultado);

// Loads the library from a file: a bare library file, or an ELF program file
// carrying it in the section ".rsrc.TYPELIB.1". TYPE_E_CANTLOADLIBRARY when
// the file cannot be read or carries none, TYPE_E_UNSUPFORMAT when it is damaged.
HRESULT LoadTypeLib(const std::string& archivo, ITypeLib** resultado);

// Calls slot `slot` of the object's virtual table with the given arguments:
// each argument is a pointer-sized word or a VARIANT by value (at most 3).
struct ArgumentoLlamada {
  bool es_variante = false;
  uint64_t palabra = 0;
  VARIANT variante{};
};
HRESULT llamar_slot(void* objeto, UINT slot, const ArgumentoLlamada* args, size_t cuantos);

}  // namespace com
