// The settings file on Windows, read and written whole by the rules platform/profile.h gives,
// the same code as on Linux. The system's profile functions are not used: they read a file
// without a byte order mark in the ANSI code page, where a value typed in another script came
// back as question marks, and they cannot read a file marked as UTF-8.
#include <windows.h>

#include <functional>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/profile.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide_text.h"

namespace zantovel {

using win32::kShareAll;
using win32::Narrow;
using win32::ScopedHandle;
using win32::SystemPath;
using win32::Wide;

namespace {

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

std::optional<std::string> ReadWhole(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || static_cast<std::uint64_t>(size.QuadPart) > kLargestProfile)
    return std::nullopt;
  std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    DWORD read = 0;
    if (!ReadFile(file, content.data() + done, static_cast<DWORD>(content.size() - done), &read,
                  nullptr))
      return std::nullopt;
    if (read == 0) break;
    done += read;
  }
  content.resize(done);
  return content;
}

bool WriteWhole(HANDLE file, std::string_view content) {
  DWORD written = 0;
  return WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size() && FlushFileBuffers(file);
}

// Saves of one file take turns across processes, so two windows closing at once never mix
// their values: a mutex named after the file's full path, in any letter case.
class SaveTurn {
 public:
  explicit SaveTurn(const std::wstring& path) {
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (const wchar_t c : path) {
      hash ^= static_cast<std::uint64_t>(towlower(c));
      hash *= 1099511628211ULL;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\zantovel-settings-%016llx", static_cast<unsigned long long>(hash));
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    if (mutex_ != nullptr) WaitForSingleObject(mutex_, INFINITE);  // abandoned is ours as well
  }
  ~SaveTurn() {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  SaveTurn(const SaveTurn&) = delete;
  SaveTurn& operator=(const SaveTurn&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

// Writes content to a new file beside path and puts it in path's place, so that a crash leaves
// the old file or the new one. ReplaceFileW gives the new file the old one's attributes,
// security and streams. False, leaving nothing behind, when that cannot be done: the save is
// then made in place, and the reason that counts is that one's.
bool WriteBeside(const std::wstring& path, bool exists, std::string_view content) {
  const std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
  const std::wstring name = path.substr(folder.size());
  std::wstring temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = folder + Wide(TemporaryName("." + Narrow(name) + "."));
    created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (created == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteWhole(created, content);
  CloseHandle(created);
  // The new name reaches the disk with the file system's next commit; MOVEFILE_WRITE_THROUGH
  // waits only for a move between volumes.
  const bool placed =
      written && (exists ? ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                         : MoveFileExW(temporary.c_str(), path.c_str(), 0));
  if (!placed) DeleteFileW(temporary.c_str());
  return placed;
}

// Writes content over the file itself, for where no file can be made beside it.
std::error_code WriteInPlace(const std::wstring& path, std::string_view content) {
  const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Cut to the new length, so nothing of a longer old content stays behind it.
  if (file.valid() && WriteWhole(file.handle, content) && SetEndOfFile(file.handle) &&
      FlushFileBuffers(file.handle))
    return {};
  return SystemError(static_cast<int>(GetLastError()));
}

}  // namespace

const std::optional<std::string>& native::ReadProfileBytes(const std::string& path,
                                                           ProfileCache& cache) {
  const std::wstring file = SystemPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) {
    cache = {};
    return cache.content;
  }
  std::vector<long long> stamp = {static_cast<long long>(data.dwFileAttributes),
                                  static_cast<long long>(data.nFileSizeHigh),
                                  static_cast<long long>(data.nFileSizeLow),
                                  Ticks(data.ftCreationTime), Ticks(data.ftLastWriteTime)};
  if (cache.path == path && cache.stamp == stamp) return cache.content;
  cache = {path, std::move(stamp), std::nullopt, {}};  // the values go with the old content
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return cache.content;
  const ScopedHandle opened(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (opened.valid()) cache.content = ReadWhole(opened.handle);
  // A file that changed while it was read is read again next time.
  WIN32_FILE_ATTRIBUTE_DATA after{};
  if (cache.content && (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &after) ||
                        Ticks(after.ftLastWriteTime) != Ticks(data.ftLastWriteTime) ||
                        after.nFileSizeLow != data.nFileSizeLow))
    cache.stamp.clear();
  return cache.content;
}

std::error_code native::ReplaceProfileBytes(
    const std::string& path, const std::function<std::string(std::string_view)>& transform) {
  const std::wstring file = SystemPath(path);
  const SaveTurn turn(file);
  std::optional<std::string> content;
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // A file made read-only is not the user's to change, nor is a folder.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return MakeError(FileError::NotRegular);
    if (attributes & FILE_ATTRIBUTE_READONLY) return MakeError(FileError::ReadOnly);
    const ScopedHandle opened(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (opened.valid()) content = ReadWhole(opened.handle);
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    content = "";
  }
  // A file that cannot be read is not replaced by one key alone.
  if (!content) return SystemError(static_cast<int>(GetLastError()));
  const std::string next = transform(*content);
  if (exists && next == *content) return {};
  if (WriteBeside(file, exists, next)) return {};
  return WriteInPlace(file, next);
}

std::string native::LegacyToUtf8(std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), units);
  return Narrow(wide);
}

std::string native::Utf8ForLegacyFile(std::string_view text) {
  // Saved as UTF-8 with its mark, so that a character beyond the code page is kept and every
  // editor knows the file's form.
  return "\xEF\xBB\xBF" + std::string(text);
}

}  // namespace zantovel
