#include "app/window_model.h"

#include "platform/app.h"
#include "platform/path_rules.h"
#include "rename/rename_pass.h"
#include "store/settings.h"

namespace zantovel {
namespace {

constexpr const char* kDefaultPrefix = "a_";
constexpr const char* kDefaultType = ".tmp";
constexpr const char* kFolderDialogTitle = "Select folder";
constexpr const char* kHelpText =
    "The prefix is the character(s) or number(s) that you would like to add to the beginning of "
    "the filename.\r\n\r\nTo use preceeding numbers, use the # character to specify the amount "
    "of leading zero's to use";

}  // namespace

std::string WindowModel::Caption() {
  const AppVersion version = AppVersionNumbers();
  return AppTitle() + " v" + std::to_string(version.major) + "." + std::to_string(version.minor) +
         "." + std::to_string(version.revision);
}

WindowFields WindowModel::Restore() const {
  const SettingsStore& settings = files_.Settings();
  return {settings.ReadPath(kSettingsSection, "LastP", std::string(DefaultFolder())),
          settings.Read(kSettingsSection, "LastF", kDefaultPrefix),
          settings.Read(kSettingsSection, "LastT", kDefaultType)};
}

void WindowModel::Keep(const WindowFields& fields) {
  files_.Settings().Save(
      kSettingsSection,
      {{"LastP", fields.folder}, {"LastF", fields.prefix}, {"LastT", fields.type}});
}

void WindowModel::Run(const WindowFields& fields) {
  PassContext context{files_.Log(), files_.OwnFiles()};
  context.journalPath = files_.JournalPath();
  const PassResult result = RenamePass(context, fields.folder, fields.prefix, fields.type);
  const MsgIcon icon = result.end == PassEnd::Done            ? MsgIcon::None
                       : result.end == PassEnd::PrefixRefused ? MsgIcon::Exclamation
                                                              : MsgIcon::Critical;
  MsgBox(result.message, icon, AppTitle());
}

void WindowModel::ShowHelp() {
  MsgBox(kHelpText, MsgIcon::Information, AppTitle());
}

std::string WindowModel::PickFolder(WindowHandle owner, const std::string& current) {
  return BrowseForFolder(owner, kFolderDialogTitle).value_or(current);
}

WindowModel::Highlights WindowModel::PointerMoved(PointerOver where) {
  switch (where) {
    case PointerOver::Background:
      highlights_ = {};
      break;
    case PointerOver::BrowseButton:
      highlights_.browse = true;
      break;
    case PointerOver::RunButton:
      highlights_.run = true;
      break;
  }
  return highlights_;
}

}  // namespace zantovel
