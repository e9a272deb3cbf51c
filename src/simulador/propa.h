// TPropaganda, the splash window: a borderless window, client area 173 x 130,
// centred on the screen, holding one picture (166 x 122) stretched over the
// whole area. Created hidden at start-up; the panel shows it for one second on
// its first showing.
#pragma once

#include <QLabel>
#include <QWidget>

class TPropaganda : public QWidget {
  Q_OBJECT
 public:
  explicit TPropaganda(QWidget* padre = nullptr);
  QLabel* Image1;
};

extern TPropaganda* Propaganda;
