#include "cajas.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>

namespace ventanas {
namespace {

Responder& responder_instalado() {
  static Responder r;
  return r;
}

const char* nombre(Respuesta r) {
  switch (r) {
    case Respuesta::OK: return "OK";
    case Respuesta::Cancelar: return "Cancelar";
    case Respuesta::Si: return "Si";
    case Respuesta::No: return "No";
  }
  return "?";
}

// Answers from KALOVET_RESPUESTAS, read once at the first box.
std::deque<Respuesta>& respuestas_guion() {
  static std::deque<Respuesta> cola = [] {
    std::deque<Respuesta> c;
    const char* env = std::getenv("KALOVET_RESPUESTAS");
    if (!env) return c;
    std::stringstream ss(env);
    std::string palabra;
    while (std::getline(ss, palabra, ',')) {
      if (palabra == "Si" || palabra == "SI" || palabra == "si") c.push_back(Respuesta::Si);
      else if (palabra == "No" || palabra == "NO" || palabra == "no") c.push_back(Respuesta::No);
      else if (palabra == "Cancelar" || palabra == "cancelar") c.push_back(Respuesta::Cancelar);
      else if (palabra == "OK" || palabra == "ok") c.push_back(Respuesta::OK);
      else std::fprintf(stderr, "KALOVET_RESPUESTAS: answer \"%s\" not understood, ignored\n", palabra.c_str());
    }
    return c;
  }();
  return cola;
}

Respuesta por_cierre(Botones b) {
  switch (b) {
    case Botones::OK: return Respuesta::OK;
    case Botones::SiNo: return Respuesta::No;
    case Botones::SiNoCancelar: return Respuesta::Cancelar;
  }
  return Respuesta::OK;
}

Respuesta mostrar_qt(const Caja& caja) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(caja.titulo));
  box.setText(QString::fromStdString(caja.texto));
  box.setWindowModality(Qt::ApplicationModal);
  switch (caja.icono) {
    case Icono::Ninguno: box.setIcon(QMessageBox::NoIcon); break;
    case Icono::Pregunta: box.setIcon(QMessageBox::Question); break;
    case Icono::Aviso: box.setIcon(QMessageBox::Warning); break;
    case Icono::Error: box.setIcon(QMessageBox::Critical); break;
    case Icono::Informacion: box.setIcon(QMessageBox::Information); break;
  }
  QPushButton* si = nullptr;
  QPushButton* no = nullptr;
  QPushButton* cancelar = nullptr;
  QPushButton* ok = nullptr;
  switch (caja.botones) {
    case Botones::OK:
      ok = box.addButton(QMessageBox::Ok);
      box.setDefaultButton(ok);
      break;
    case Botones::SiNo:
    case Botones::SiNoCancelar:
      si = box.addButton(QMessageBox::Yes);
      no = box.addButton(QMessageBox::No);
      if (caja.botones == Botones::SiNoCancelar) cancelar = box.addButton(QMessageBox::Cancel);
      box.setDefaultButton(caja.no_por_defecto ? no : si);
      box.setEscapeButton(cancelar ? cancelar : no);
      break;
  }
  box.exec();
  QAbstractButton* pulsado = box.clickedButton();
  if (pulsado && pulsado == si) return Respuesta::Si;
  if (pulsado && pulsado == no) return Respuesta::No;
  if (pulsado && pulsado == ok) return Respuesta::OK;
  if (pulsado && pulsado == cancelar) return Respuesta::Cancelar;
  return por_cierre(caja.botones);
}

}  // namespace

Respuesta caja_mensaje(const Caja& caja) {
  if (responder_instalado()) return responder_instalado()(caja);
  auto& cola = respuestas_guion();
  if (std::getenv("KALOVET_RESPUESTAS")) {
    // An automated run never waits for a person: once the list is used up,
    // every further box is answered as if its close button had been pressed.
    Respuesta r = por_cierre(caja.botones);
    if (!cola.empty()) {
      r = cola.front();
      cola.pop_front();
    }
    std::fprintf(stderr, "[caja] %s | %s -> %s\n", caja.titulo.c_str(), caja.texto.c_str(), nombre(r));
    std::fflush(stderr);
    return r;
  }
  return mostrar_qt(caja);
}

void mostrar_mensaje(const std::string& texto) {
  Caja caja;
  caja.titulo = QApplication::applicationName().toStdString();
  caja.texto = texto;
  caja_mensaje(caja);
}

void responder_mensajes(Responder responder) { responder_instalado() = std::move(responder); }

}  // namespace ventanas
