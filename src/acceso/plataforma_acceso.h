// What the access layer needs from around it: the mode question, the simple
// message dialog and the end of the program. Programs install the windows
// layer's boxes (acceso_ventanas.h); tests install their own.
#pragma once

#include <string>

namespace acceso {

enum class Respuesta { Si, No, Cancelar };

struct Plataforma {
  // A modal box with Yes, No and Cancel and the question icon.
  Respuesta (*preguntar)(const char* titulo, const char* texto);
  // The simple message dialog: the text and an OK button.
  void (*avisar)(const char* texto);
  // Ends the program with this exit status. Must not return (a test's
  // version may throw); if it does, the layer calls std::exit itself.
  void (*terminar)(int estado);
};

// The installed platform. Until one is installed: the question is answered
// Cancel, messages go to standard error, the end is std::exit.
void fijar_plataforma(const Plataforma& plataforma);
const Plataforma& plataforma();

// Where the client library is looked for: first by the usual search for
// this file name, then at this fixed path. Tests point them elsewhere.
inline constexpr const char* kNombreLibreria = "libkalovet.so";
inline constexpr const char* kRutaFijaLibreria = "/opt/kalovet/libkalovet.so";
void fijar_rutas_libreria(std::string nombre, std::string ruta_fija);

// Texts the layer shows.
inline constexpr const char* kTituloPregunta = "Kalovet";
inline constexpr const char* kTextoPregunta =
    "Pulsa \"SI\" para usar el SIMULADOR\ny \"NO\" para usar la TARJETA de adquisición";
inline constexpr const char* kSinLibreria = "No encuentro la librería dinámica \"kalovet.dll\"";
inline constexpr const char* kNoConecta = "No puedo conectar";

// Puts the whole module state back to its start values (card mode, outputs
// and inputs 0, range −5..+5, channel 0), keeping the library loaded. Tests
// call it between cases.
void reiniciar_para_pruebas();

}  // namespace acceso
