// The main panel's four refresh routines. Every change of the signal store is
// followed by an explicit call of the matching routine. They are defined by the
// panel; code without Qt (the message functions) calls them through this header,
// and its unit tests link a recording stand-in instead of the panel.
#pragma once

void mostrar_DI();
void mostrar_DO();
void mostrar_AD();
void mostrar_DA();
