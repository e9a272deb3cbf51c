// Message boxes of the windows layer, shared by the three programs.
//
// One function shows a modal box over Qt and returns which button closed it,
// with the Windows button numbers the programs compare against. Automated runs
// answer the boxes without a person:
//  - in process, a test installs a responder with `responder_mensajes`;
//  - for a whole program, the environment variable KALOVET_RESPUESTAS holds a
//    comma-separated list of answers ("Si", "No", "Cancelar", "OK"), taken in
//    order, one per box shown. Every box answered this way is also written to
//    standard error as "[caja] caption | text -> answer", so a test can read
//    what the program showed. Once the list is used up, each further box is
//    answered as its close button would (Cancelar, No or OK), so an automated
//    run never waits for a person.
#pragma once

#include <functional>
#include <string>

namespace ventanas {

enum class Botones { OK, SiNo, SiNoCancelar };
enum class Icono { Ninguno, Pregunta, Aviso, Error, Informacion };

// Windows button identifiers (IDOK, IDCANCEL, IDYES, IDNO).
enum class Respuesta { OK = 1, Cancelar = 2, Si = 6, No = 7 };

struct Caja {
  std::string titulo;
  std::string texto;
  Botones botones = Botones::OK;
  Icono icono = Icono::Ninguno;
  bool no_por_defecto = false;  // the second button (No) is the default
};

// Shows the box modally (task-modal, no owner window) and returns the button
// pressed. Closing the box by its close button or Escape answers Cancelar for
// Yes/No/Cancel, No for Yes/No and OK for OK.
Respuesta caja_mensaje(const Caja& caja);

// The platform's simple message dialog: the program's name as caption, the
// text and an OK button.
void mostrar_mensaje(const std::string& texto);

// Replaces how boxes are answered (tests). An empty function restores the
// normal behaviour. The responder sees each box and returns the answer.
using Responder = std::function<Respuesta(const Caja&)>;
void responder_mensajes(Responder responder);

}  // namespace ventanas
