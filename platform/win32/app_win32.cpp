#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "platform/app.h"
#include "platform/path_rules.h"
#include "platform/win32/wide_text.h"

namespace zantovel {

PathStyle NativeStyle() {
  return PathStyle::Windows;
}

std::tm LocalTimeNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::tm local{};
  local.tm_year = now.wYear - 1900;
  local.tm_mon = now.wMonth - 1;
  local.tm_mday = now.wDay;
  local.tm_hour = now.wHour;
  local.tm_min = now.wMinute;
  local.tm_sec = now.wSecond;
  local.tm_wday = now.wDayOfWeek;
  return local;
}

std::tm LocalTimeAt(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

namespace {

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::string UserHome() {
  return win32::Narrow(KnownFolder(FOLDERID_Profile));
}

UserFolders ProgramUserFolders() {
  const std::wstring roaming = KnownFolder(FOLDERID_RoamingAppData);
  const std::wstring local = KnownFolder(FOLDERID_LocalAppData);
  if (roaming.empty() || local.empty()) return {};
  return {win32::Narrow(roaming + L"\\Zantovel"), win32::Narrow(local + L"\\Zantovel")};
}

bool KeepsFilesBeside(const std::string& folder) {
  // Under Program Files (either one) a program is installed, whoever may write there.
  for (const KNOWNFOLDERID* programs : {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86}) {
    const std::wstring root = KnownFolder(*programs);
    const std::wstring here = win32::Wide(folder);
    if (!root.empty() && here.size() >= root.size() &&
        CompareStringOrdinal(here.c_str(), static_cast<int>(root.size()), root.c_str(),
                             static_cast<int>(root.size()), TRUE) == CSTR_EQUAL)
      return false;
  }
  // The rights a folder gives are a matter of its access list, which only an attempt reads
  // reliably: a file made and gone at once.
  const std::wstring probe = win32::SystemPath(
      JoinPath(folder, ".zantovel-write-test-" + std::to_string(GetCurrentProcessId())));
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    // A path that does not fit is cut and fills the buffer.
    if (n < path.size()) {
      path.resize(n);
      return win32::Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace zantovel
