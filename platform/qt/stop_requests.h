#pragma once

#include <functional>

class QObject;

namespace zantovel {

// Calls end once, on the window's thread, when the process is asked to stop: SIGTERM (a
// shutdown, `kill`), SIGHUP (the terminal or the session went away) or SIGINT (Ctrl+C in the
// terminal that started it). end should save what must be kept and quit the event loop; no
// one is there to answer a question. Lives as long as context.
void OnStopRequest(QObject* context, std::function<void()> end);

}  // namespace zantovel
