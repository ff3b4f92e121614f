#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/dialogs.h"

namespace zantovel {

void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption) {
  // A box ends any busy wait the caller showed: the pointer is the user's again.
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();

  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None:
      break;
    case MsgIcon::Critical:
      boxIcon = QMessageBox::Critical;
      break;
    case MsgIcon::Exclamation:
      boxIcon = QMessageBox::Warning;
      break;
    case MsgIcon::Information:
      boxIcon = QMessageBox::Information;
      break;
  }
  // Texts break lines with CR LF; a Qt label breaks them at LF alone.
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
  QMessageBox box(boxIcon, QString::fromStdString(caption), shown, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::string ChooseFolder(WindowHandle owner, const std::string& title) {
  // Input and repaints already waiting are handled before the dialog opens.
  QCoreApplication::processEvents();
  QFileDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(title));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setObjectName("SelectFolderDialog");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace zantovel
