// testkalovet's window, Form1: eight rows, each a fixed test of the card's
// single-shot calls through the card access layer, with a "Prueba" button and,
// for the tests that read, a label with the result. The first test (prepare)
// runs when the window is created and asks the card-or-simulator question.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* padre = nullptr);

  QPushButton* Button1;  // prepare: disabled, run at creation
  QPushButton* Button2;
  QPushButton* Button4;
  QPushButton* Button5;
  QPushButton* Button6;
  QPushButton* Button7;
  QPushButton* Button8;
  QPushButton* Button9;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;  // digital input word
  QLabel* Label6;
  QLabel* Label7;  // two digital input bits
  QLabel* Label8;
  QLabel* Label9;
  QLabel* Label1;  // one conversion
  QLabel* Label10;
  QLabel* Label11;
  QLabel* Label12;  // five conversions

 public slots:
  void FormCreate();
  void Button2Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();

 protected:
  void closeEvent(QCloseEvent* e) override;  // FormClose
};

// The test panel's result texts.
// The digital input word: "(x%04x)", four lowercase hexadecimal digits.
QString texto_palabra_DI(int32_t palabra);
// Two bits in decimal joined by ",".
QString texto_dos_bits(int32_t a, int32_t b);
