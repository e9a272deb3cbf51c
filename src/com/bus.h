// Class objects on the session D-Bus: the kit's stand-in for out-of-process
// COM activation. A server registers its class factory under a bus name
// (such as "kalovet.AutoKalovet"); the factory and every object created
// through it become D-Bus objects, and every call reaches them through the
// main thread's event loop.
//
// Bus interface, for a name N (path P = "/" + N with "." replaced by "/"):
//   P, interface kalovet.IClassFactory:
//     CreateInstance(s iid) -> o   iid braced (IUnknown, IDispatch or the
//                                  class's interface); answers P/<n>
//     LockServer(b lock)
//   P/<n>, interface kalovet.IUnknown:  AddRef() -> u, Release() -> u
//          interface kalovet.IDispatch: GetIDsOfNames(as names) -> ai,
//                                       Invoke(i dispid, av args) -> v
//          interface <library>.<interface> of the object's type information
//          (kalovet.IAutoKalovet): its methods, called through the object's
//          virtual table; VARIANT arguments are "v", BSTR results "s".
// A failing HRESULT comes back as the error kalovet.Error.<NAME> whose message
// starts with the number ("0x80004002").
// Objects are counted per client: when a client leaves the bus, the
// references and server locks it still held are released for it.
#pragma once

#include <string>

#include "interfaces.h"

namespace com::bus {

// COM for the main thread. The session bus itself is connected when the first
// class object is registered, which needs the application object.
HRESULT CoInitialize();
void CoUninitialize();

HRESULT CoRegisterClassObject(const CLSID& clsid, const std::string& nombre_bus, IUnknown* fabrica, DWORD contexto,
                              DWORD flags, DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// Number of objects that clients hold through the bus (tests and diagnostics).
int objetos_en_bus();

}  // namespace com::bus
