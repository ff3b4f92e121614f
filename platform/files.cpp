#include "platform/files.h"

#include <algorithm>
#include <random>

#include "platform/error.h"
#include "platform/native_files.h"
#include "platform/path_rules.h"

namespace zantovel {
namespace {

constexpr std::size_t kRandomDigits = 16;
constexpr std::size_t kCheckDigits = 4;
constexpr std::string_view kHexDigits = "0123456789abcdef";

// Four hexadecimal digits that follow from the sixteen before them.
std::uint16_t CheckOf(std::uint64_t random) {
  return static_cast<std::uint16_t>((random * 0x9E3779B97F4A7C15ull) >> 48);
}

void AppendHex(std::uint64_t value, std::size_t digits, std::string& out) {
  for (std::size_t i = digits; i > 0; --i) out += kHexDigits[(value >> (4 * (i - 1))) & 15];
}

// The value of lower-case hexadecimal digits, or nothing when text holds anything else.
std::optional<std::uint64_t> HexValue(std::string_view text) {
  std::uint64_t value = 0;
  for (const char c : text) {
    const auto digit = kHexDigits.find(c);
    if (digit == std::string_view::npos) return std::nullopt;
    value = (value << 4) | digit;
  }
  return value;
}

std::string CopySentence(const std::string& folder, const std::string& name,
                         const std::string& newName) {
  return "Cannot copy " + Quoted(JoinPath(folder, name)) + " to " +
         Quoted(JoinPath(folder, newName));
}

}  // namespace

std::string TemporaryName(std::string_view stem) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  const std::uint64_t bits = random();
  std::string name(stem);
  AppendHex(bits, kRandomDigits, name);
  AppendHex(CheckOf(bits), kCheckDigits, name);
  return name;
}

bool IsTemporaryName(std::string_view name, std::string_view stem) {
  if (name.size() != stem.size() + kRandomDigits + kCheckDigits ||
      name.substr(0, stem.size()) != stem)
    return false;
  const std::optional<std::uint64_t> random = HexValue(name.substr(stem.size(), kRandomDigits));
  const std::optional<std::uint64_t> check = HexValue(name.substr(stem.size() + kRandomDigits));
  return random && check && *check == CheckOf(*random);
}

Folder::Folder(const std::string& folderText) : state_(std::make_unique<native::FolderState>()) {
  const std::string what = "Cannot open folder " + Quoted(folderText);
  if (folderText.empty()) Fail(what, std::make_error_code(std::errc::no_such_file_or_directory));
  if (const std::error_code error = native::OpenFolder(folderText, *state_)) Fail(what, error);
}

Folder::~Folder() {
  native::CloseFolder(*state_);
}

const std::string& Folder::Path() const {
  return state_->path;
}

std::size_t Folder::CopiesAtOnce() const {
  return state_->copiesAtOnce;
}

std::vector<std::string> Folder::ListFiles() const {
  std::vector<std::string> names;
  if (const std::error_code error = native::ListNames(*state_, names))
    Fail("Cannot list folder " + Quoted(state_->path), error);
  leftovers_.clear();
  const auto temporary = [](const std::string& name) { return IsTemporaryName(name, kCopyStem); };
  std::copy_if(names.begin(), names.end(), std::back_inserter(leftovers_), temporary);
  names.erase(std::remove_if(names.begin(), names.end(), temporary), names.end());
  std::sort(names.begin(), names.end());
  return names;
}

void Folder::RemoveLeftovers() const {
  for (const std::string& name : leftovers_) native::RemoveStaleTemporary(*state_, name);
  leftovers_.clear();
}

std::optional<Entry> Folder::EntryOf(const std::string& name) const {
  return native::EntryAt(*state_, name);
}

NewName Folder::MoveNoReplace(const std::string& name, const std::string& newName) const {
  bool taken = false;
  if (const std::error_code error = native::RenameNoReplace(*state_, name, newName, taken))
    Fail("Cannot rename " + Quoted(JoinPath(state_->path, name)) + " to " +
             Quoted(JoinPath(state_->path, newName)),
         error);
  return taken ? NewName::Taken : NewName::Made;
}

PendingCopy::PendingCopy(const native::FolderState& folder,
                         std::unique_ptr<native::CopyState> state, std::string newName,
                         std::string what)
    : folder_(&folder),
      state_(std::move(state)),
      newName_(std::move(newName)),
      what_(std::move(what)) {}

PendingCopy::PendingCopy(PendingCopy&& other) noexcept = default;

PendingCopy::~PendingCopy() {
  if (state_) native::DiscardCopy(*folder_, *state_);
}

std::optional<PendingCopy> Folder::StartCopy(const std::string& name, const std::string& newName,
                                             NewName& made) const {
  std::string what = CopySentence(state_->path, name, newName);
  auto state = std::make_unique<native::CopyState>();
  // A temporary name already taken (by a leftover, or another pass) is drawn again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    bool linkCopied = false;
    bool taken = false;
    const std::error_code error = native::WriteCopy(*state_, name, TemporaryName(kCopyStem),
                                                    newName, *state, linkCopied, taken);
    if (error == std::errc::file_exists) continue;
    if (error) Fail(what, error);
    if (linkCopied) {
      made = taken ? NewName::Taken : NewName::Made;
      return std::nullopt;
    }
    made = NewName::Made;
    return PendingCopy(*state_, std::move(state), newName, std::move(what));
  }
  Fail(what, MakeError(FileError::NoFreeName));
}

void Folder::FlushCopies(std::vector<PendingCopy>& copies) const {
  std::vector<native::CopyState*> states;
  for (PendingCopy& copy : copies)
    if (copy.state_) states.push_back(copy.state_.get());
  native::FlushCopies(*state_, states);
}

NewName Folder::FinishCopy(PendingCopy& copy) const {
  // The content is on disk before its name can be seen.
  if (!copy.state_->flushed)
    if (const std::error_code error = native::FlushCopy(*state_, *copy.state_))
      Fail(copy.what_, error);
  bool taken = false;
  if (const std::error_code error = native::NameCopy(*state_, *copy.state_, copy.newName_, taken))
    Fail(copy.what_, error);
  if (taken) return NewName::Taken;  // the copy goes with copy
  copy.state_.reset();               // it has its name now
  return NewName::Made;
}

void Folder::Remove(const std::string& name) const {
  if (const std::error_code error = native::RemoveAt(*state_, name))
    Fail("Cannot remove " + Quoted(JoinPath(state_->path, name)), error);
}

void Folder::Watch(CopyWatch watch) {
  state_->watch = std::move(watch);
}

void Folder::Flush() const {
  if (const std::error_code error = native::FlushFolder(*state_))
    Fail("Cannot flush folder " + Quoted(state_->path), error);
}

AppendFile::AppendFile() : handle_(native::kNoHandle) {}

AppendFile::~AppendFile() {
  native::CloseFile(handle_);
}

bool AppendFile::StillNames(const std::string& path) const {
  return IsOpen() && path == path_ && IdentityOf(path) == id_;
}

bool AppendFile::IsOpen() const {
  return handle_ != native::kNoHandle;
}

void AppendFile::Open(const std::string& path, bool create, bool truncate, std::string_view what) {
  native::CloseFile(handle_);
  what_ = what;
  keepOpen_ = truncate;
  if (const std::error_code error = native::OpenAppend(path, create, truncate, handle_, id_))
    Fail("Cannot open " + what_ + " " + Quoted(path), error);
  path_ = path;
  midLine_ = native::EndsMidLine(handle_, path);
}

void AppendFile::Append(std::string_view data) {
  std::string whole;
  if (midLine_) {
    whole = "\r\n";
    whole += data;
    data = whole;
  }
  const std::error_code error = native::AppendWhole(handle_, path_, data);
  if (!error) midLine_ = false;
  if (error || (!native::KeepsAppendFilesOpen() && !keepOpen_)) native::CloseFile(handle_);
  if (error) Fail("Cannot write " + what_ + " " + Quoted(path_), error);
}

void AppendFile::Flush() {
  if (handle_ == native::kNoHandle) return;
  if (const std::error_code error = native::FlushFile(handle_))
    Fail("Cannot write " + what_ + " " + Quoted(path_), error);
}

}  // namespace zantovel
