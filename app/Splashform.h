// TSplashform: the About box: the program's picture, its version and word size, and Ok.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TSplashform : public QDialog {
  Q_OBJECT

 public:
  explicit TSplashform(QWidget* parent = nullptr);

  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Comments = nullptr;
  QPushButton* OKButton = nullptr;
};
