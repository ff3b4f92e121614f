#include <QApplication>

#include "app/frmMain.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  frmMain window;
  window.show();
  return QApplication::exec();
}
