// The window's start, in the module the program loads when it opens its window.
#include <QApplication>
#include <QSessionManager>

#include "app/main_window.h"
#include "platform/app.h"
#include "platform/qt/stop_requests.h"
#include "store/program_files.h"

extern "C" __attribute__((visibility("default"))) int ZantovelWindowMain(int argc, char** argv) {
  QApplication application(argc, argv);
  zantovel::ProgramFiles files(zantovel::ExecutablePath());
  MainWindow window(files);
  // The fields are kept when the session ends or the process is told to stop, as on a close.
  zantovel::OnStopRequest(&window, [&window] {
    window.EndSession();
    QApplication::quit();
  });
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.EndSession(); });
  window.show();
  return QApplication::exec();
}
