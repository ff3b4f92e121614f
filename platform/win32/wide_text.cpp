#include "platform/win32/wide_text.h"

#include <vector>

#include "util/text.h"

namespace zantovel::win32 {

// wchar_t is 16 bits wide on Windows: a wide string is a string of UTF-16 units.
std::wstring Wide(std::string_view text) {
  const std::u16string units = ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view text) {
  return FromUtf16(std::u16string(text.begin(), text.end()));
}

std::string SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 ? std::wstring(buffer, n) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(error);
  return Narrow(text);
}

std::optional<std::wstring> FullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

std::optional<std::wstring> WholePath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  std::wstring typed = path;
  for (wchar_t& c : typed)
    if (c == L'/') c = L'\\';
  const auto isLetter = [](wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  };
  std::wstring absolute;
  if (typed.rfind(L"\\\\", 0) == 0 ||
      (typed.size() >= 3 && isLetter(typed[0]) && typed[1] == L':' && typed[2] == L'\\')) {
    absolute = typed;
  } else {
    // Only the base comes from the system, which resolves it as Windows reads a typed path.
    const bool driveRelative = typed.size() >= 2 && isLetter(typed[0]) && typed[1] == L':';
    const bool rooted = !driveRelative && !typed.empty() && typed[0] == L'\\';
    const std::wstring base = driveRelative ? typed.substr(0, 2) : rooted ? L"\\" : L".";
    const std::optional<std::wstring> full = FullPath(base);
    if (!full) return std::nullopt;
    absolute = *full + L"\\" + typed.substr(driveRelative ? 2 : 0);
  }
  // The volume ("C:" or "\\server\share"), then its names.
  std::size_t volume = 2;
  if (absolute.rfind(L"\\\\", 0) == 0) {
    const std::size_t share = absolute.find(L'\\', 2);
    volume = share == std::wstring::npos ? absolute.size() : absolute.find(L'\\', share + 1);
    if (volume == std::wstring::npos) volume = absolute.size();
  }
  std::vector<std::wstring> names;
  for (std::size_t at = volume; at < absolute.size();) {
    std::size_t end = absolute.find(L'\\', at);
    if (end == std::wstring::npos) end = absolute.size();
    const std::wstring name = absolute.substr(at, end - at);
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != L".") {
      names.push_back(name);
    }
    at = end + 1;
  }
  std::wstring whole = absolute.substr(0, volume);
  for (const std::wstring& name : names) whole += L"\\" + name;
  if (names.empty()) whole += L"\\";
  return whole;
}

std::wstring Literal(std::wstring path) {
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  const std::optional<std::wstring> full = WholePath(wide);
  return full ? Literal(*full) : wide;
}

}  // namespace zantovel::win32
