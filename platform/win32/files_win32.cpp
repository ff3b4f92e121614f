// The file operations on Windows. Names go to the system as UTF-16 (wide_text.h); every
// operation that gives a file a name uses MoveFileExW without MOVEFILE_REPLACE_EXISTING, which
// renames in one step and never replaces anything that has the name.
#include <windows.h>

#include <algorithm>
#include <random>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace zantovel {
namespace {

using win32::Narrow;
using win32::Wide;

// The hidden name a copy is written under until it is complete.
constexpr std::wstring_view kCopyPrefix = L".zantovel-copy-";

std::string Quoted(std::string_view path) {
  return "\"" + std::string(path) + "\"";
}

[[noreturn]] void Fail(const std::string& what, DWORD error) {
  throw PlatformError(what + ": " + win32::SystemMessage(error));
}

// Owns one handle for the length of one operation.
struct Handle {
  HANDLE handle;
  explicit Handle(HANDLE h) : handle(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) CloseHandle(handle);
  }
  bool valid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<FileId> IdOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The identity of the file at path; with follow false a link is the link itself.
std::optional<FileId> IdOfPath(const std::wstring& path, bool follow) {
  // No access asked: only the file's information is read, so no sharing mode stands in the way.
  const Handle file(CreateFileW(
      path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
  if (!file.valid()) return std::nullopt;
  return IdOfHandle(file.handle);
}

bool IsTaken(DWORD error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

std::wstring TemporaryName() {
  static std::mt19937_64 random{std::random_device{}()};
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name(kCopyPrefix);
  for (std::uint64_t bits = random(), i = 0; i < 12; ++i, bits >>= 4) name += kDigits[bits & 15];
  return name;
}

}  // namespace

std::optional<FileId> IdentityOf(const std::string& path) {
  return IdOfPath(Wide(path), true);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  path += name;
  return path;
}

Folder::Folder(const std::string& folderText) {
  const std::string what = "Cannot open folder " + Quoted(folderText);
  if (folderText.empty()) Fail(what, ERROR_PATH_NOT_FOUND);
  const std::wstring text = Wide(folderText);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) Fail(what, GetLastError());
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);
  }
  // Without FILE_SHARE_DELETE nobody can move or remove the folder while the pass holds it,
  // so the names it lists and the names it gives stay in the one folder it opened.
  handle_ = CreateFileW(full.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    handle_ = nullptr;
    Fail(what, GetLastError());
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle_, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(handle_);
    handle_ = nullptr;
    Fail(what, ERROR_DIRECTORY);
  }
  // The root keeps its separator (C:\); any other folder loses a trailing one.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  path_ = Narrow(full);
}

Folder::~Folder() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

std::vector<std::string> Folder::ListFiles() const {
  std::vector<std::string> names;
  leftovers_.clear();
  WIN32_FIND_DATAW entry;
  const std::wstring pattern = Wide(JoinPath(path_, "*"));
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return names;
    Fail("Cannot list folder " + Quoted(path_), error);
  }
  do {
    // Folders, links to folders and junctions carry the folder attribute.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring_view name = entry.cFileName;
    if (name.substr(0, kCopyPrefix.size()) == kCopyPrefix) {
      leftovers_.push_back(Narrow(name));
      continue;
    }
    names.push_back(Narrow(name));
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) Fail("Cannot list folder " + Quoted(path_), error);
  std::sort(names.begin(), names.end());
  return names;
}

void Folder::RemoveLeftovers() const {
  // A copy still being written by another pass is open without shared deletion, so only what a
  // killed pass left goes.
  for (const std::string& name : leftovers_) DeleteFileW(Wide(JoinPath(path_, name)).c_str());
  leftovers_.clear();
}

std::optional<FileId> Folder::IdentityOf(const std::string& name) const {
  return IdOfPath(Wide(JoinPath(path_, name)), false);
}

NewName Folder::MoveNoReplace(const std::string& name, const std::string& newName) const {
  const std::string from = JoinPath(path_, name);
  const std::string to = JoinPath(path_, newName);
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH))
    return NewName::Made;
  const DWORD error = GetLastError();
  if (IsTaken(error)) return NewName::Taken;
  Fail("Cannot rename " + Quoted(from) + " to " + Quoted(to), error);
}

PendingCopy::PendingCopy(std::string temporary, std::string newName, std::string what)
    : temporary_(std::move(temporary)), newName_(std::move(newName)), what_(std::move(what)) {}

PendingCopy::PendingCopy(PendingCopy&& other) noexcept
    : temporary_(std::move(other.temporary_)),
      newName_(std::move(other.newName_)),
      what_(std::move(other.what_)) {
  other.temporary_.clear();
}

PendingCopy::~PendingCopy() {
  if (!temporary_.empty()) DeleteFileW(Wide(temporary_).c_str());
}

std::optional<PendingCopy> Folder::StartCopy(const std::string& name, const std::string& newName,
                                             NewName& made) const {
  made = NewName::Made;
  const std::string from = JoinPath(path_, name);
  const std::string what =
      "Cannot copy " + Quoted(from) + " to " + Quoted(JoinPath(path_, newName));
  for (;;) {
    std::string temporary = JoinPath(path_, Narrow(TemporaryName()));
    // The copy keeps the file's attributes, times and streams; a link is copied as a link.
    if (CopyFileExW(Wide(from).c_str(), Wide(temporary).c_str(), nullptr, nullptr, nullptr,
                    COPY_FILE_FAIL_IF_EXISTS | COPY_FILE_COPY_SYMLINK))
      return PendingCopy(std::move(temporary), newName, what);
    const DWORD error = GetLastError();
    if (IsTaken(error)) continue;  // a leftover under the same random name: draw again
    DeleteFileW(Wide(temporary).c_str());
    Fail(what, error);
  }
}

void Folder::FlushCopies(std::vector<PendingCopy>&) const {
  // Windows has no flush of a whole volume's data short of one that needs an administrator, so
  // FinishCopy flushes each copy on its own, just before naming it.
}

NewName Folder::FinishCopy(PendingCopy& copy) const {
  const std::wstring from = Wide(copy.temporary_);
  {
    // The content is on disk before its name can be seen.
    const Handle file(CreateFileW(from.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid() || !FlushFileBuffers(file.handle)) Fail(copy.what_, GetLastError());
  }
  const std::wstring to = Wide(JoinPath(path_, copy.newName_));
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    copy.temporary_.clear();
    return NewName::Made;
  }
  const DWORD error = GetLastError();
  if (IsTaken(error)) return NewName::Taken;  // the copy goes with copy
  Fail(copy.what_, error);
}

NewName Folder::CopyNoReplace(const std::string& name, const std::string& newName) const {
  NewName made = NewName::Made;
  std::optional<PendingCopy> copy = StartCopy(name, newName, made);
  return copy ? FinishCopy(*copy) : made;
}

void Folder::Flush() const {
  // Every name was given with MOVEFILE_WRITE_THROUGH, which returns once the rename is on disk.
}

AppendFile::~AppendFile() {
  Close();
}

void AppendFile::Close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
}

bool AppendFile::StillNames(const std::string& path) const {
  // The file is closed after every write: on Windows a file deleted while open keeps its name
  // until it is closed, so a log held open could be neither removed nor made again.
  (void)path;
  return false;
}

void AppendFile::Open(const std::string& path, bool create) {
  Close();
  // FILE_APPEND_DATA alone makes every write land at the end, even with other writers.
  handle_ =
      CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                  create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    handle_ = nullptr;
    Fail("Cannot open log " + Quoted(path), GetLastError());
  }
  path_ = path;
}

void AppendFile::Append(std::string_view data) {
  LARGE_INTEGER start{};
  GetFileSizeEx(handle_, &start);
  DWORD written = 0;
  const BOOL ok =
      WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  const DWORD error = !ok ? GetLastError() : written < data.size() ? ERROR_DISK_FULL : 0;
  Close();
  if (error == 0) return;
  if (written > 0) {
    // Cut back to where the file ended, so no half line stays.
    const Handle cut(CreateFileW(Wide(path_).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (cut.valid() && SetFilePointerEx(cut.handle, start, nullptr, FILE_BEGIN))
      SetEndOfFile(cut.handle);
  }
  Fail("Cannot write log " + Quoted(path_), error);
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace zantovel
