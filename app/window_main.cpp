// The window's start, in the module the program loads when it opens its window.
#include <QApplication>
#include <QFile>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "platform/app.h"
#include "platform/dialogs.h"
#include "platform/qt/stop_requests.h"
#include "store/program_files.h"

namespace {

// Qt ends the process with an abort of its own when it cannot start (no display it can reach,
// a platform plugin that will not load): the program says why in one sentence instead, and
// exits as on any other failure.
void EndOnFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  const QString first = message.section('\n', 0, 0);
  std::fprintf(stderr, "zantovel: cannot open the window: %s\n", first.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ZantovelWindowMain(int argc, char** argv) {
  qInstallMessageHandler(EndOnFatal);
  QApplication application(argc, argv);
  zantovel::ProgramFiles files(zantovel::ExecutablePath());
  if (const std::optional<std::string> why = files.Distrust()) {
    std::fprintf(stderr, "zantovel: %s\n", why->c_str());
    zantovel::MsgBox(*why, zantovel::MsgIcon::Critical, zantovel::AppTitle());
    return 1;
  }
  MainWindow window(files);
  // The fields are kept when the session ends or the process is told to stop, as on a close.
  zantovel::OnStopRequest(&window, [&window] {
    window.EndSession();
    QApplication::quit();
  });
  QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                   [&window](QSessionManager&) { window.EndSession(); });
  // A folder given with the toolkit's options (all Qt has left of them) opens the window on it.
  QStringList rest = QApplication::arguments().mid(1);
  if (!rest.isEmpty() && rest.front() == "--") rest.removeFirst();
  if (rest.size() == 1) window.OpenOn(QFile::encodeName(rest.front()).toStdString());
  window.show();
  return QApplication::exec();
}
