// Files that the COM layer keeps (the registry file, D-Bus activation files):
// folders made on demand, and whole-file writes that are atomic.
#pragma once

#include <string>

namespace com {

std::string carpeta_de(const std::string& ruta);
// Makes the folder and its missing parents.
bool crear_carpetas(const std::string& carpeta, unsigned modo);
// Writes the whole text to a temporary file beside `ruta`, flushes it to disk
// and renames it over `ruta`: a reader sees the old or the new file, never a
// part. An existing file keeps its permissions; a new one gets `modo`. On
// failure `ruta` is left as it was and the reason is written to stderr.
bool escribir_atomico(const std::string& ruta, const std::string& texto, unsigned modo);

}  // namespace com
