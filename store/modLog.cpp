#include "store/modLog.h"

#include <array>

#include "platform/app.h"
#include "platform/files.h"
#include "store/modSettings.h"
#include "util/modMain.h"

namespace zantovel {

std::string DefaultLogPath() { return AppPath() + "/applog.log"; }

std::string LogTimestamp(const std::tm& time) {
  std::array<char, 32> text{};
  const std::size_t n = std::strftime(text.data(), text.size(), "%d-%m-%Y %H:%M:%S", &time);
  return std::string(text.data(), n);
}

void WriteLog(const std::string& message) {
  const std::string path = GetIniSetting(AppTitle(), kSettingsSection, "AppLog", DefaultLogPath());
  AppendToFile(path, LogTimestamp(LocalTimeNow()) + " " + message + "\r\n", !FileExists(path));
}

}  // namespace zantovel
