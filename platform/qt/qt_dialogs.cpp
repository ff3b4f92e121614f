#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QUrl>
#include <utility>

#include "platform/dialogs.h"

namespace zantovel {
namespace {

// Room for a title bar's own buttons and margins beside the caption, in pixels.
constexpr int kTitleBarButtons = 120;

}  // namespace

void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption,
            const std::string& linked) {
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
  const QString path = QFile::decodeName(linked.c_str());
  if (!path.isEmpty() && shown.contains(path)) {
    // The text as it is, but the path a link that opens the file with the desktop's program
    // for it (a text editor for the log).
    const QString link = "<a href=\"" + QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                         "\">" + path.toHtmlEscaped() + "</a>";
    QStringList parts = shown.split(path);
    for (QString& part : parts) part = part.toHtmlEscaped().replace("\n", "<br>");
    box.setTextFormat(Qt::RichText);
    box.setText(parts.join(link));
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
  }
  // A box as narrow as "Done" would cut off its own caption. QMessageBox sets its own size, so
  // the width is asked for through a spacer in its layout: the caption, and room for the title
  // bar's buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

namespace {

// The question shown now, which WithdrawQuestion closes.
QMessageBox* asking = nullptr;
constexpr int kWithdrawn = -2;

}  // namespace

Answer AskYesNo(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setObjectName("question");
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  QMessageBox* const outer = std::exchange(asking, &box);
  const int answer = box.exec();
  asking = outer;
  if (answer == kWithdrawn) return Answer::Withdrawn;
  return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void WithdrawQuestion() {
  if (asking != nullptr) asking->done(kWithdrawn);
}

std::string ChooseFolder(WindowHandle owner, const std::string& title, const std::string& start) {
  // Input and repaints already waiting are handled before the dialog opens.
  QCoreApplication::processEvents();
  QFileDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(title));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  // The desktop's own dialog (through Qt's platform theme or the portal) where there is one,
  // with its bookmarks and recent places; Qt's own where there is none, or where the program
  // asks for Qt's (Qt::AA_DontUseNativeDialogs, as the tests do).
  dialog.setObjectName("SelectFolderDialog");
  // Nothing is preselected.
  const QString startFolder = QFile::decodeName(start.c_str());
  dialog.setDirectory(!start.empty() && QFileInfo(startFolder).isDir() ? startFolder
                                                                       : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace zantovel
