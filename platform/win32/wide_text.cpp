#include "platform/win32/wide_text.h"

#include "util/text.h"

namespace zantovel::win32 {

std::wstring Wide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    std::size_t length = CharLengthAt(text, pos);
    char32_t cp = 0;
    if (length == 1 && byte(0) >= 0x80) {
      // A surrogate carried over from a name (ED A0..BF xx), or a stray byte.
      if (byte(0) == 0xED && text.size() - pos >= 3 && byte(1) >= 0xA0 && byte(1) <= 0xBF &&
          (byte(2) & 0xC0) == 0x80) {
        length = 3;
        cp = DecodeChar(text.data() + pos, length);
      } else {
        cp = 0xFFFD;
      }
    } else {
      cp = DecodeChar(text.data() + pos, length);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    pos += length;
  }
  return out;
}

std::string Narrow(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    char32_t cp = text[pos];
    if (cp >= 0xD800 && cp <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[pos + 1] - 0xDC00);
      ++pos;
    }
    AppendChar(cp, out);
  }
  return out;
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

std::wstring Literal(std::wstring path) {
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

std::wstring SystemPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  const std::optional<std::wstring> full = FullPath(wide);
  return full ? Literal(*full) : wide;
}

}  // namespace zantovel::win32
