// Profile strings through the system's own functions, so that a file edited by hand is read by
// the rules every Windows program follows.
#include <windows.h>

#include "platform/profile.h"
#include "platform/win32/wide_text.h"

namespace zantovel {

using win32::Narrow;
using win32::Wide;

std::string ReadProfileString(std::string_view section, std::string_view key,
                              const std::string& defaultValue, const std::string& path,
                              ProfileCache&) {
  const std::wstring wideSection = Wide(section), wideKey = Wide(key);
  const std::wstring wideDefault = Wide(defaultValue), widePath = Wide(path);
  // A value that fills the buffer may have been cut: the buffer grows until it does not.
  constexpr DWORD kLargest = 1 << 20;
  std::wstring buffer(256, L'\0');
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    const DWORD n =
        GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideDefault.c_str(),
                                 buffer.data(), size, widePath.c_str());
    if (n + 1 < size || size >= kLargest) {
      buffer.resize(n);
      return Narrow(buffer);
    }
    buffer.resize(size * 2);
  }
}

bool WriteProfileStrings(std::string_view section, const ProfileValues& values,
                         const std::string& path) {
  const std::wstring wideSection = Wide(section), widePath = Wide(path);
  // The system writes a new file in the ANSI code page, where a folder named in any other
  // script would come back as question marks. A file that starts with the UTF-16 byte order
  // mark is read and written in UTF-16, so a new file is started that way.
  const HANDLE created = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created != INVALID_HANDLE_VALUE) {
    static constexpr char kByteOrderMark[] = {'\xFF', '\xFE'};
    DWORD written = 0;
    const bool ok = WriteFile(created, kByteOrderMark, 2, &written, nullptr) && written == 2;
    CloseHandle(created);
    if (!ok) DeleteFileW(widePath.c_str());
  }
  bool saved = true;
  for (const auto& [key, value] : values) {
    // A value is one line.
    const std::string line = value.substr(0, value.find_first_of("\r\n"));
    saved = WritePrivateProfileStringW(wideSection.c_str(), Wide(key).c_str(), Wide(line).c_str(),
                                       widePath.c_str()) &&
            saved;
  }
  return saved;
}

}  // namespace zantovel
