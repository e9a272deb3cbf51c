#include "refresco_grabador.h"

#include "refresco.h"

std::vector<std::string>& refrescos_llamados() {
  static std::vector<std::string> v;
  return v;
}

void mostrar_DI() { refrescos_llamados().push_back("DI"); }
void mostrar_DO() { refrescos_llamados().push_back("DO"); }
void mostrar_AD() { refrescos_llamados().push_back("AD"); }
void mostrar_DA() { refrescos_llamados().push_back("DA"); }
