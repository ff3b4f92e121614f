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

WindowFields WindowModel::Restore() {
  return {ReadPathSetting(kSettingsSection, "LastP", std::string(kDefaultFolder)),
          ReadSetting(kSettingsSection, "LastF", kDefaultPrefix),
          ReadSetting(kSettingsSection, "LastT", kDefaultType)};
}

void WindowModel::Keep(const WindowFields& fields) {
  SaveSettings(kSettingsSection,
               {{"LastP", fields.folder}, {"LastF", fields.prefix}, {"LastT", fields.type}});
}

void WindowModel::Run(const WindowFields& fields) {
  RunRenamePass(fields.folder, fields.prefix, fields.type);
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
    case PointerOver::SomethingElse:
      break;
  }
  return highlights_;
}

}  // namespace zantovel
