// D-Bus activation files: a ".service" file in the per-user session services
// folder names the bus name and the command that starts its owner, so a client
// calling a name that nobody owns yet makes the bus start the server.
#pragma once

#include <string>

#include "tipos_base.h"

namespace com {

// KALOVET_SERVICIOS_DBUS, else $XDG_DATA_HOME/dbus-1/services, else
// $HOME/.local/share/dbus-1/services.
std::string carpeta_servicios_dbus();
std::string archivo_servicio_dbus(const std::string& nombre_bus);

// Writes "[D-BUS Service]", "Name=<nombre_bus>", "Exec=<orden>" atomically.
HRESULT escribir_servicio_dbus(const std::string& nombre_bus, const std::string& orden);
// Removes the file; S_FALSE if there was none.
HRESULT borrar_servicio_dbus(const std::string& nombre_bus);

// A program path as one word of a command line that both the registry's
// LocalServer32 value and a D-Bus Exec line read: the path itself when it holds
// no blank and no quoting character, otherwise in double quotes with a
// backslash before each '"', '\', '$' and '`'.
std::string palabra_orden(const std::string& ruta);

}  // namespace com
