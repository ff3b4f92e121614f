#include <QApplication>

#include "app/command_line.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  // With arguments the program works in the terminal, before any display is looked for.
  if (const std::optional<int> status = zantovel::RunCommandLine(argc, argv, stdout, stderr))
    return *status;
  QApplication application(argc, argv);
  MainWindow window;
  window.show();
  return QApplication::exec();
}
