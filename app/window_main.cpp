// The window's start, in the module the program loads when it opens its window.
#include <QApplication>

#include "app/main_window.h"
#include "platform/app.h"
#include "store/program_files.h"

extern "C" __attribute__((visibility("default"))) int ZantovelWindowMain(int argc, char** argv) {
  QApplication application(argc, argv);
  zantovel::ProgramFiles files(zantovel::ExecutablePath());
  MainWindow window(files);
  window.show();
  return QApplication::exec();
}
