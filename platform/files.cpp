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

std::string RenameSentence(const std::string& folder, const std::string& name,
                           const std::string& newName) {
  return "Cannot rename " + Quoted(JoinPath(folder, name)) + " to " +
         Quoted(JoinPath(folder, newName));
}

}  // namespace

namespace {

std::uint64_t RandomBits() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  return random();
}

std::string NameWithCheck(std::string_view stem, std::uint64_t bits) {
  std::string name(stem);
  AppendHex(bits, kRandomDigits, name);
  AppendHex(CheckOf(bits), kCheckDigits, name);
  return name;
}

constexpr std::size_t kPassDigits = 8;

// A temporary name of the pass whose stem is passStem (PassTemporaryStem), or of no pass in
// particular for any other stem.
std::string TemporaryNameFor(std::string_view stem) {
  const std::uint64_t bits = RandomBits();
  if (stem.size() != kCopyStem.size() + kPassDigits || !stem.starts_with(kCopyStem))
    return NameWithCheck(stem, bits);
  const std::optional<std::uint64_t> pass = HexValue(stem.substr(kCopyStem.size()));
  if (!pass) return NameWithCheck(stem, bits);
  return NameWithCheck(kCopyStem, (*pass << 32) | (bits & 0xFFFFFFFFu));
}

// What FindOtherWriter found, as a sentence that names the file and whom it belongs to.
std::optional<std::string> UntrustedSentence(const std::string& path, std::string_view what,
                                             const native::OtherWriter& found) {
  using Kind = native::OtherWriter::Kind;
  const std::string start = "Not using the " + std::string(what) + " " + Quoted(path) + ": ";
  std::string mode = "0000";
  for (std::size_t digit = 0; digit < 4; ++digit)
    mode[3 - digit] = static_cast<char>('0' + ((found.mode >> (3 * digit)) & 7));
  // What the sentence blames: the file, or a folder that holds it (which may be path itself).
  const bool folder =
      (found.kind == Kind::FolderOwner || found.kind == Kind::FolderWritable) && found.path != path;
  const std::string blamed =
      folder ? "the folder " + Quoted(found.path) + ", which holds it," : "it";
  switch (found.kind) {
    case Kind::None:
      return std::nullopt;
    case Kind::NotRegular:
      return start + "it is not a regular file";
    case Kind::FileOwner:
    case Kind::FolderOwner:
      return start + blamed + " belongs to " + found.owner + ", not to " + found.trusted;
    case Kind::FileWritable:
    case Kind::FolderWritable:
      return start + "other users may write " +
             (folder ? "the folder " + Quoted(found.path) + ", which holds it" : "it") + " (mode " +
             mode + ")";
    case Kind::LinkOwner:
      return start + (found.path == path ? "it" : Quoted(found.path) + " on its way") +
             " is a link that " + found.owner + " made";
  }
  return std::nullopt;
}

}  // namespace

std::string TemporaryName(std::string_view stem) {
  return NameWithCheck(stem, RandomBits());
}

std::string PassTemporaryStem() {
  std::string stem(kCopyStem);
  AppendHex(RandomBits() >> 32, kPassDigits, stem);
  return stem;
}

std::optional<std::string> Untrusted(const std::string& path, std::string_view what,
                                     bool isFolder) {
  native::OtherWriter found;
  if (const std::error_code error =
          native::FindOtherWriter(path, native::kNoHandle, isFolder, found))
    return "Cannot look at the " + std::string(what) + " " + Quoted(path) + ": " + error.message();
  return UntrustedSentence(path, what, found);
}

void MakeFolders(const std::string& path) {
  if (const std::error_code error = native::MakeFolders(path))
    Fail("Cannot make folder " + Quoted(path), error);
}

bool IsTemporaryName(std::string_view name, std::string_view stem) {
  if (name.size() != stem.size() + kRandomDigits + kCheckDigits ||
      name.substr(0, stem.size()) != stem)
    return false;
  const std::optional<std::uint64_t> random = HexValue(name.substr(stem.size(), kRandomDigits));
  const std::optional<std::uint64_t> check = HexValue(name.substr(stem.size() + kRandomDigits));
  return random && check && *check == CheckOf(*random);
}

Folder::Folder(const std::string& folderText)
    : state_(std::make_unique<native::FolderState>()), temporaryStem_(PassTemporaryStem()) {
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

FileId Folder::Id() const {
  return state_->id;
}

bool Folder::IdentitiesLast() const {
  return state_->ownInodes;
}

bool Folder::MayUsePlaceholders() const {
  return state_->mayUsePlaceholders;
}

std::vector<ListedFile> Folder::ListFiles() const {
  std::vector<ListedFile> names;
  if (const std::error_code error = native::ListNames(*state_, names))
    Fail("Cannot list folder " + Quoted(state_->path), error);
  leftovers_.clear();
  const auto temporary = [](const ListedFile& file) {
    return IsTemporaryName(file.name, kCopyStem);
  };
  for (const ListedFile& file : names)
    if (temporary(file)) leftovers_.push_back(file.name);
  names.erase(std::remove_if(names.begin(), names.end(), temporary), names.end());
  std::sort(names.begin(), names.end(),
            [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
  return names;
}

void Folder::RemoveLeftovers() const {
  for (const std::string& name : leftovers_) native::RemoveStaleTemporary(*state_, name, false);
  leftovers_.clear();
}

void Folder::RemoveTemporariesOf(std::string_view stem) const {
  ListFiles();
  for (const std::string& name : leftovers_)
    if (name.starts_with(stem)) native::RemoveStaleTemporary(*state_, name, true);
  leftovers_.clear();
}

std::optional<Entry> Folder::EntryOf(const std::string& name) const {
  return native::EntryAt(*state_, name);
}

std::optional<Entry> Folder::EntryOf(const std::string& name, std::error_code& error) const {
  return native::EntryAt(*state_, name, error);
}

std::optional<Entry> Folder::Look(const std::string& name) const {
  std::error_code error;
  std::optional<Entry> entry = native::EntryAt(*state_, name, error);
  if (!entry && error != std::errc::no_such_file_or_directory)
    Fail("Cannot look at " + Quoted(JoinPath(state_->path, name)), error);
  return entry;
}

void Folder::FailToName(const std::string& name, const std::string& newName, bool copy,
                        std::error_code error) const {
  Fail(copy ? CopySentence(state_->path, name, newName)
            : RenameSentence(state_->path, name, newName),
       error);
}

NewName Folder::MoveNoReplace(const std::string& name, const std::string& newName) const {
  bool taken = false;
  if (const std::error_code error = native::RenameNoReplace(*state_, name, newName, taken))
    Fail(RenameSentence(state_->path, name, newName), error);
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

std::optional<PendingCopy> Folder::StartCopy(const std::string& name,
                                             const std::string& newName) const {
  std::string what = CopySentence(state_->path, name, newName);
  auto state = std::make_unique<native::CopyState>();
  // A temporary name already taken (by a leftover, or another pass) is drawn again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::error_code error =
        native::WriteCopy(*state_, name, TemporaryNameFor(temporaryStem_), *state);
    if (error == std::errc::file_exists) continue;
    if (error == MakeError(FileError::Stopped)) return std::nullopt;
    if (error) Fail(what, error);
    return PendingCopy(*state_, std::move(state), newName, std::move(what));
  }
  Fail(what, MakeError(FileError::NoFreeName));
}

Entry Folder::CopyEntryOf(const PendingCopy& copy) const {
  Entry entry{};
  if (const std::error_code error = native::CopyEntry(*state_, *copy.state_, entry))
    Fail(copy.what_, error);
  return entry;
}

bool Folder::FlushCopies(std::vector<PendingCopy>& copies) const {
  std::vector<native::CopyState*> states;
  for (PendingCopy& copy : copies)
    if (copy.state_) states.push_back(copy.state_.get());
  return native::FlushCopies(*state_, states);
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

void Folder::ControlCopies(CopyControl control) {
  state_->copies = std::move(control);
}

void Folder::Flush() const {
  if (const std::error_code error = native::FlushFolder(*state_))
    Fail("Cannot flush folder " + Quoted(state_->path), error);
}

AppendFile::AppendFile() : handle_(native::kNoHandle) {}

AppendFile::~AppendFile() {
  // A failure the close reports here has no one to be told to: Close says it where it matters.
  native::CloseFile(handle_);
}

void AppendFile::Close() {
  if (const std::error_code error = native::CloseFile(handle_))
    Fail("Cannot write " + what_ + " " + Quoted(path_), error);
}

bool AppendFile::StillNames(const std::string& path) const {
  return IsOpen() && path == path_ && IdentityOf(path) == id_;
}

bool AppendFile::IsOpen() const {
  return handle_ != native::kNoHandle;
}

void AppendFile::Open(const std::string& path, Opening opening, std::string_view what) {
  // The file open before was written with lines that Append has already seen through.
  native::CloseFile(handle_);
  what_ = what;
  keepOpen_ = opening == Opening::Afresh || opening == Opening::New;
  if (const std::error_code error = native::OpenAppend(path, opening, handle_, id_))
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
  std::error_code error = native::AppendWhole(handle_, path_, data);
  if (!error) midLine_ = false;
  if (error) {
    native::CloseFile(handle_);  // the write's own failure is the one to tell
  } else if (!native::KeepsAppendFilesOpen() && !keepOpen_) {
    error = native::CloseFile(handle_);
  }
  if (error) Fail("Cannot write " + what_ + " " + Quoted(path_), error);
}

void AppendFile::Flush() {
  if (handle_ == native::kNoHandle) return;
  if (const std::error_code error = native::FlushFile(handle_))
    Fail("Cannot write " + what_ + " " + Quoted(path_), error);
}

OwnFileReader::OwnFileReader(const std::string& path, std::string_view what)
    : handle_(native::kNoHandle), path_(path), what_(what) {
  const std::string failure = "Cannot open " + what_ + " " + Quoted(path_);
  if (const std::error_code error = native::OpenToRead(path, handle_)) Fail(failure, error);
  native::OtherWriter found;
  if (const std::error_code error = native::FindOtherWriter(path, handle_, false, found))
    Fail(failure, error);
  if (const std::optional<std::string> sentence = UntrustedSentence(path, what, found))
    throw PlatformError(*sentence, MakeError(FileError::NotOwned));
}

OwnFileReader::~OwnFileReader() {
  // Nothing was written through it, so its close has nothing to report.
  native::CloseFile(handle_);
}

std::size_t OwnFileReader::Read(char* buffer, std::size_t size) {
  std::size_t got = 0;
  if (const std::error_code error = native::ReadFrom(handle_, buffer, size, got))
    Fail("Cannot read " + what_ + " " + Quoted(path_), error);
  return got;
}

void OwnFileReader::HoldAlone() {
  if (const std::error_code error = native::HoldAlone(handle_))
    Fail("Cannot use " + what_ + " " + Quoted(path_), error);
}

}  // namespace zantovel
