#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The program keeps text as UTF-8; Windows takes and gives UTF-16. Names on Windows may hold
// lone surrogates, which UTF-8 has no form for: they are carried as the three bytes UTF-8's
// scheme would give them (as WTF-8 does), so every name read from the system reaches the system
// again unchanged, and a file is never missed for a character it holds.
namespace zantovel::win32 {

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// The absolute form of path as Windows reads a typed path: relative to the working folder,
// "/" taken for "\", and trailing dots and spaces dropped from the last name.
std::optional<std::wstring> FullPath(const std::wstring& path);

// The absolute form of a folder or file path with each name kept as the user typed it, trailing
// dots and spaces too ("g." is not "g"): "/" taken for "\", a relative path, a drive-relative
// one ("C:x") or a rooted one ("\x") joined to the folder the system resolves for it, "." and
// ".." parts resolved, empty parts dropped. A path in the \\?\ form is taken as it is.
std::optional<std::wstring> WholePath(const std::wstring& path);

// The \\?\ form of an absolute path, which no Windows call alters on the way to the file: a
// name that ends in a dot or a space, a name like "aux", and a path over 260 characters reach
// the file they name.
std::wstring Literal(std::wstring path);

// A path given whole (the log's, the settings'), read as a typed path is and then passed on
// literally, so that its length does not matter.
std::wstring SystemPath(const std::string& path);

// The system's sentence for an error code, without the full stop and line break it ends with.
std::string SystemMessage(DWORD error);

}  // namespace zantovel::win32
