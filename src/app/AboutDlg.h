// "TubescanL..." (template 100): the program's picture, name and version
// and its rights notice; closed with OK or Escape.
#pragma once

#include <QDialog>
#include <QPixmap>

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The box's picture: a pipe's cross-section as the program shows it, drawn
// here so the executable carries no picture files.
QPixmap PaintAboutPicture(int size);

inline constexpr const char* kVersionText = "TubescanL Version Beta 1.0.1.8  27_FEB_2017";
