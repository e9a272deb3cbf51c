// Installs the windows layer's message boxes as the access layer's question
// and messages. Both programs call it at start-up, after creating the
// application object.
#pragma once

namespace acceso {
void usar_ventanas();
}
