#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The program keeps text as UTF-8; Windows takes and gives UTF-16. Names on Windows may hold
// lone surrogates, which UTF-8 has no form for: they are carried as the three bytes UTF-8's
// scheme would give them (as WTF-8 does), so every name read from the system reaches the system
// again unchanged, and a file is never missed for a character it holds.
namespace zantovel::win32 {

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system's sentence for an error code, without the full stop and line break it ends with.
std::string SystemMessage(DWORD error);

}  // namespace zantovel::win32
