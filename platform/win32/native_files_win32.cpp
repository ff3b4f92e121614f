// The file primitives on Windows. Names go to the system as UTF-16 (wide_text.h), in paths of
// the \\?\ form, which Windows takes as they stand: a name that ends in a dot or a space, a name
// like "aux" or "com1.tmp", and a path longer than 260 characters all reach the file they
// name. Every operation that gives a file a name uses MoveFileExW without
// MOVEFILE_REPLACE_EXISTING, which renames in one step and never replaces anything that has
// the name.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

#include "platform/error.h"
#include "platform/native_files.h"
#include "platform/path_rules.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide_text.h"

namespace zantovel {

using win32::FullPath;
using win32::kShareAll;
using win32::Literal;
using win32::Narrow;
using win32::ScopedHandle;
using win32::SystemPath;
using win32::Wide;

namespace {

class Win32Errors : public std::error_category {
 public:
  const char* name() const noexcept override { return "win32"; }
  std::string message(int error) const override {
    return win32::SystemMessage(static_cast<DWORD>(error));
  }
  std::error_condition default_error_condition(int error) const noexcept override {
    switch (error) {
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        return std::errc::file_exists;
      case ERROR_TOO_MANY_OPEN_FILES:
        return std::errc::too_many_files_open;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        return std::errc::no_such_file_or_directory;
      case ERROR_ACCESS_DENIED:
        return std::errc::permission_denied;
      default:
        return {error, *this};
    }
  }
};

std::error_code LastError() {
  return SystemError(static_cast<int>(GetLastError()));
}

HANDLE HandleOf(native::Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::optional<FileId> IdOfHandle(HANDLE handle, DWORD* attributes = nullptr) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  if (attributes != nullptr) *attributes = info.dwFileAttributes;
  return FileId{info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The identity of the file at path; with follow false a link is the link itself.
std::optional<FileId> IdOfPath(const std::wstring& path, bool follow, DWORD* attributes = nullptr) {
  // No access asked: only the file's information is read, so no sharing mode stands in the way.
  const ScopedHandle file(CreateFileW(
      path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
  if (!file.valid()) return std::nullopt;
  return IdOfHandle(file.handle, attributes);
}

bool IsTaken(DWORD error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// A name in the folder, exactly as it stands in the folder's listing.
std::wstring InFolder(const native::FolderState& folder, const std::string& name) {
  return Literal(Wide(JoinPath(folder.path, name)));
}

// Removes a file even when it is read-only, as the copies of read-only files are.
bool DeleteAnyway(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  if (GetLastError() != ERROR_ACCESS_DENIED) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) &&
         DeleteFileW(path.c_str());
}

}  // namespace

std::error_code SystemError(int error) {
  static const Win32Errors category;
  return {error, category};
}

namespace native {

std::error_code OpenFolder(const std::string& text, FolderState& folder) {
  // As typed: "g." names the folder g., which GetFullPathNameW would make g.
  std::optional<std::wstring> found = win32::WholePath(Wide(text));
  if (!found) return LastError();
  std::wstring& full = *found;
  // Without FILE_SHARE_DELETE nobody can move or remove the folder while the pass holds it,
  // so the names it lists and the names it gives stay in the one folder it opened.
  const HANDLE handle =
      CreateFileW(Literal(full).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  DWORD attributes = 0;
  if (!IdOfHandle(handle, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(handle);
    return SystemError(ERROR_DIRECTORY);
  }
  folder.handle = reinterpret_cast<Handle>(handle);
  folder.id = IdOfHandle(handle).value_or(FileId{});
  // NTFS and ReFS keep a file's index for its life; FAT gives none that lasts.
  wchar_t fileSystem[MAX_PATH + 1] = {};
  folder.ownInodes =
      GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                    MAX_PATH + 1) &&
      (std::wstring_view(fileSystem) == L"NTFS" || std::wstring_view(fileSystem) == L"ReFS");
  // The root keeps its separator (C:\); any other folder loses a trailing one.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  folder.path = Narrow(full);
  // Windows has no flush of a whole volume's data short of one that needs an administrator,
  // and CopyFileExW writes a named copy: each copy is flushed on its own, just before it is
  // named, and holds no handle while it waits.
  folder.copiesAtOnce = 128;
  return {};
}

void CloseFolder(FolderState& folder) {
  if (folder.handle != kNoHandle) CloseHandle(HandleOf(folder.handle));
  folder.handle = kNoHandle;
}

std::error_code ListNames(const FolderState& folder, std::vector<ListedFile>& names) {
  WIN32_FIND_DATAW entry;
  const std::wstring pattern = InFolder(folder, "*");
  const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return {};
    return SystemError(static_cast<int>(error));
  }
  do {
    // Folders, links to folders and junctions carry the folder attribute.
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.push_back({Narrow(entry.cFileName), 0});
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  return error == ERROR_NO_MORE_FILES ? std::error_code() : SystemError(static_cast<int>(error));
}

std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(InFolder(folder, name).c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  DWORD attributes = 0;
  const std::optional<FileId> id = IdOfPath(InFolder(folder, name), false, &attributes);
  if (!id) return std::nullopt;
  // FILETIME counts 100 ns from 1601; 11,644,473,600 s lie between 1601 and 1970.
  const auto since1970 = [](const FILETIME& time) {
    const auto ticks =
        static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    return (ticks - 116444736000000000LL) * 100;
  };
  const std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  const EntryKind kind = (attributes & FILE_ATTRIBUTE_DIRECTORY)       ? EntryKind::Other
                         : (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Link
                                                                       : EntryKind::File;
  return Entry{kind, *id, size, since1970(data.ftLastWriteTime), since1970(data.ftCreationTime)};
}

std::optional<Entry> EntryAt(const FolderState& folder, const std::string& name,
                             std::error_code& error) {
  std::optional<Entry> entry = EntryAt(folder, name);
  if (!entry) error = LastError();
  return entry;
}

std::error_code RenameNoReplace(const FolderState& folder, const std::string& from,
                                const std::string& to, bool& taken) {
  taken = false;
  if (MoveFileExW(InFolder(folder, from).c_str(), InFolder(folder, to).c_str(), 0)) return {};
  taken = IsTaken(GetLastError());
  return taken ? std::error_code() : LastError();
}

namespace {

// Tells the copy's bytes, and cancels the copy when a stop is asked for.
DWORD CALLBACK CopyProgress(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER,
                            DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  const auto* control = static_cast<const CopyControl*>(data);
  if (control->stop != nullptr && control->stop->load()) return PROGRESS_CANCEL;
  if (control->copied)
    control->copied(static_cast<std::uint64_t>(done.QuadPart),
                    static_cast<std::uint64_t>(total.QuadPart));
  return PROGRESS_CONTINUE;
}

}  // namespace

std::error_code WriteCopy(const FolderState& folder, const std::string& name,
                          const std::string& temporary, CopyState& copy) {
  const std::wstring source = InFolder(folder, name), target = InFolder(folder, temporary);
  // A link is copied as a link. The flag that asks for that needs a privilege ordinary users
  // lack, so it is given only for a link, which cannot be copied faithfully without it.
  const DWORD sourceAttributes = GetFileAttributesW(source.c_str());
  const DWORD linkFlag = sourceAttributes != INVALID_FILE_ATTRIBUTES &&
                                 (sourceAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                             ? COPY_FILE_COPY_SYMLINK
                             : 0;
  // The copy keeps the file's attributes, times and streams.
  if (!CopyFileExW(source.c_str(), target.c_str(), CopyProgress,
                   const_cast<CopyControl*>(&folder.copies), nullptr,
                   COPY_FILE_FAIL_IF_EXISTS | linkFlag)) {
    const DWORD error = GetLastError();
    if (error == ERROR_REQUEST_ABORTED) {
      DeleteAnyway(target);
      return MakeError(FileError::Stopped);
    }
    if (!IsTaken(error)) DeleteAnyway(target);
    return SystemError(static_cast<int>(error));
  }
  copy.temporary = temporary;
  // Until it is named the copy is hidden, and writable even when the source is read-only. It
  // takes the source's attributes, not those of its temporary name (which Wine hides).
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD kept = sourceAttributes == INVALID_FILE_ATTRIBUTES ? 0 : sourceAttributes & kSettable;
  copy.attributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
  if (!SetFileAttributesW(target.c_str(),
                          (copy.attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_HIDDEN)) {
    const std::error_code error = LastError();
    DiscardCopy(folder, copy);
    return error;
  }
  return {};
}

std::error_code CopyEntry(const FolderState& folder, const CopyState& copy, Entry& entry) {
  const std::optional<Entry> found = EntryAt(folder, copy.temporary);
  if (!found) return LastError();
  entry = *found;
  return {};
}

bool FlushCopies(const FolderState&, const std::vector<CopyState*>&) {
  return false;
}

std::error_code FlushCopy(const FolderState& folder, CopyState& copy) {
  // FlushFileBuffers writes the file's data and its own metadata to the disk; its name in the
  // folder follows with the file system's next commit.
  const ScopedHandle file(CreateFileW(InFolder(folder, copy.temporary).c_str(), GENERIC_WRITE,
                                      kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid() || !FlushFileBuffers(file.handle)) return LastError();
  copy.flushed = true;
  return {};
}

std::error_code NameCopy(const FolderState& folder, CopyState& copy, const std::string& newName,
                         bool& taken) {
  // The source's attributes first: a rename is allowed on a read-only file, and a copy that
  // has its name is never left hidden.
  // The other attributes go first, while the file may still be written: Wine keeps them in
  // an extended attribute, which a file made read-only no longer takes.
  const std::wstring temporary = InFolder(folder, copy.temporary);
  const DWORD writable = copy.attributes & ~FILE_ATTRIBUTE_READONLY;
  if (!SetFileAttributesW(temporary.c_str(), writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL) ||
      (writable != copy.attributes && !SetFileAttributesW(temporary.c_str(), copy.attributes)))
    return LastError();
  if (const std::error_code error = RenameNoReplace(folder, copy.temporary, newName, taken))
    return error;
  if (!taken) copy.temporary.clear();
  return {};
}

void DiscardCopy(const FolderState& folder, CopyState& copy) {
  if (!copy.temporary.empty()) DeleteAnyway(InFolder(folder, copy.temporary));
  copy.temporary.clear();
}

void RemoveStaleTemporary(const FolderState& folder, const std::string& name, bool) {
  // A copy still being written by another pass is open without shared deletion, so only what a
  // killed pass left goes, read-only or not.
  DeleteAnyway(InFolder(folder, name));
}

std::error_code FlushFolder(const FolderState&) {
  // Windows offers no flush of a folder's entries to an ordinary user: the names given by
  // MoveFileExW reach the disk with the file system's own next commit.
  return {};
}

std::error_code OpenAppend(const std::string& path, Opening opening, Handle& file, FileId& id) {
  const bool truncate = opening == Opening::Afresh || opening == Opening::New;
  // FILE_APPEND_DATA alone makes every write land at the end, even with other writers; reading
  // is asked for to look at the last byte. A file started afresh (the journal) has one writer,
  // and is flushed, which needs GENERIC_WRITE.
  const DWORD access = truncate ? GENERIC_WRITE | FILE_READ_DATA
                                : FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES;
  const DWORD disposition = opening == Opening::New        ? CREATE_NEW
                            : opening == Opening::Existing ? OPEN_EXISTING
                                                           : OPEN_ALWAYS;
  const HANDLE handle = CreateFileW(SystemPath(path).c_str(), access, kShareAll, nullptr,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = reinterpret_cast<Handle>(handle);
  if (truncate) {
    // Emptied only once held: the journal of a pass still running is left as it is.
    std::error_code error = HoldAlone(file);
    if (!error && opening == Opening::Afresh && !SetEndOfFile(handle)) error = LastError();
    if (error) {
      CloseFile(file);
      return error;
    }
  }
  id = IdOfHandle(handle).value_or(FileId{});
  return {};
}

std::error_code FlushFile(Handle file) {
  return FlushFileBuffers(HandleOf(file)) ? std::error_code() : LastError();
}

std::error_code RemoveAt(const FolderState& folder, const std::string& name) {
  // The copies undo removes keep their source's attributes, read-only among them.
  return DeleteAnyway(InFolder(folder, name)) ? std::error_code() : LastError();
}

std::error_code CloseFile(Handle& file) {
  if (file == kNoHandle) return {};
  const HANDLE handle = HandleOf(file);
  file = kNoHandle;
  return CloseHandle(handle) ? std::error_code() : LastError();
}

bool EndsMidLine(Handle file, const std::string&) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(HandleOf(file), &size) || size.QuadPart == 0) return false;
  OVERLAPPED at{};
  const std::uint64_t last = static_cast<std::uint64_t>(size.QuadPart) - 1;
  at.Offset = static_cast<DWORD>(last);
  at.OffsetHigh = static_cast<DWORD>(last >> 32);
  char byte = '\n';
  DWORD read = 0;
  return ReadFile(HandleOf(file), &byte, 1, &read, &at) && read == 1 && byte != '\n';
}

std::error_code AppendWhole(Handle file, const std::string& path, std::string_view data) {
  LARGE_INTEGER start{};
  GetFileSizeEx(HandleOf(file), &start);
  DWORD written = 0;
  const BOOL ok =
      WriteFile(HandleOf(file), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  const DWORD error = !ok ? GetLastError() : written < data.size() ? ERROR_DISK_FULL : 0;
  if (error == 0) return {};
  if (written > 0) {
    // Cut back to where the file ended, so no half line stays.
    const ScopedHandle cut(CreateFileW(SystemPath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (cut.valid() && SetFilePointerEx(cut.handle, start, nullptr, FILE_BEGIN))
      SetEndOfFile(cut.handle);
  }
  return SystemError(static_cast<int>(error));
}

bool KeepsAppendFilesOpen() {
  return false;
}

std::error_code OpenToRead(const std::string& path, Handle& file) {
  // The link itself, not what it points to, so that a link in the file's place is refused.
  ScopedHandle opened(CreateFileW(SystemPath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!opened.valid()) return LastError();
  DWORD attributes = 0;
  if (GetFileType(opened.handle) != FILE_TYPE_DISK || !IdOfHandle(opened.handle, &attributes) ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return MakeError(FileError::NotRegular);
  file = reinterpret_cast<Handle>(opened.handle);
  opened.handle = INVALID_HANDLE_VALUE;
  return {};
}

std::error_code ReadFrom(Handle file, char* buffer, std::size_t size, std::size_t& got) {
  DWORD read = 0;
  if (!ReadFile(HandleOf(file), buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20)),
                &read, nullptr))
    return LastError();
  got = read;
  return {};
}

std::error_code HoldAlone(Handle file) {
  // One byte far past any end a file reaches: a lock there keeps every reader free to read,
  // and tells a second holder that the file is taken.
  OVERLAPPED beyond{};
  beyond.OffsetHigh = 0x40000000;
  if (LockFileEx(HandleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                 &beyond))
    return {};
  const DWORD error = GetLastError();
  if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
    return MakeError(FileError::InUse);
  // A file system without locks (some network shares) takes none.
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION
             ? std::error_code()
             : SystemError(static_cast<int>(error));
}

namespace {

// The security identifiers whose files the program trusts: the user's own, and those of the
// system and its administrators, who own what an installer puts in Program Files.
bool IsTrustedOwner(PSID owner) {
  if (owner == nullptr) return true;  // a file system that keeps no owners (FAT)
  for (const WELL_KNOWN_SID_TYPE type :
       {WinBuiltinAdministratorsSid, WinLocalSystemSid, WinLocalServiceSid}) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (CreateWellKnownSid(type, nullptr, sid, &size) && EqualSid(owner, sid)) return true;
  }
  PSID installer = nullptr;
  if (ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                             &installer)) {
    const bool same = EqualSid(owner, installer);
    LocalFree(installer);
    if (same) return true;
  }
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool mine = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                    EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
  CloseHandle(token);
  return mine;
}

std::string OwnerText(PSID owner) {
  wchar_t name[256], domain[256];
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use;
  if (LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use))
    return Narrow(std::wstring(domain) + L"\\" + name);
  wchar_t* text = nullptr;
  std::string sid = "an unknown user";
  if (ConvertSidToStringSidW(owner, &text)) sid = Narrow(text);
  LocalFree(text);
  return sid;
}

}  // namespace

std::error_code FindOtherWriter(const std::string& path, Handle opened, bool isFolder,
                                OtherWriter& found) {
  found = {};
  found.trusted = "you or the administrators";
  // Windows keeps who may write a file in its access list, which is inherited from the folder
  // and read reliably only by an attempt: the owner is what is looked at, of the file and of
  // the folder that holds it.
  for (const std::string& at : {path, FolderOf(path)}) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool file = at == path && !isFolder;
    DWORD error = ERROR_SUCCESS;
    if (file && opened != kNoHandle) {
      error = GetSecurityInfo(HandleOf(opened), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor);
    } else {
      std::wstring wide = SystemPath(at);
      error = GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                    nullptr, nullptr, nullptr, &descriptor);
    }
    // A missing file is judged by its folder; a file system without owners, not at all.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NOT_SUPPORTED) {
      LocalFree(descriptor);
      continue;
    }
    if (error != ERROR_SUCCESS) return SystemError(static_cast<int>(error));
    const bool trusted = IsTrustedOwner(owner);
    if (!trusted) {
      found.kind = file ? OtherWriter::Kind::FileOwner : OtherWriter::Kind::FolderOwner;
      found.path = at;
      found.owner = OwnerText(owner);
    }
    LocalFree(descriptor);
    if (!trusted) return {};
  }
  return {};
}

std::error_code MakeFolders(const std::string& path) {
  // Each folder from the top down: a missing parent (%LOCALAPPDATA% itself is always there)
  // is made too.
  for (std::size_t at = 0; at <= path.size(); ++at) {
    if (at < path.size() && !IsPathSeparator(path[at])) continue;
    const std::string part = path.substr(0, at);
    if (part.size() <= 3 && part.find(':') != std::string::npos) continue;  // the drive
    if (part.empty()) continue;
    if (!CreateDirectoryW(SystemPath(part).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
      return LastError();
  }
  return {};
}

}  // namespace native

std::optional<FileId> IdentityOf(const std::string& path) {
  return IdOfPath(SystemPath(path), true);
}

PathKind KindOf(const std::string& path) {
  if (path.empty()) return PathKind::Missing;
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

std::string AbsolutePath(const std::string& path) {
  const std::optional<std::wstring> whole = win32::WholePath(win32::Wide(path));
  return whole ? win32::Narrow(*whole) : path;
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace zantovel
