#include "app/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include "platform/app.h"
#include "platform/dialogs.h"
#include "rename/modRename.h"
#include "store/modSettings.h"
#include "util/modMain.h"

namespace {

using namespace zantovel;

// The layout is drawn in twips: 15 to a pixel at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;
constexpr int kClientWidth = 4575;
constexpr int kClientHeight = 1590;

const QColor kBackground(0xE0, 0xE0, 0xE0);
const QColor kRestColour(0xFF, 0xFF, 0xFF);
const QColor kHoverColour(0x00, 0x00, 0xFF);

constexpr const char* kDefaultFolder = "/tmp/";
constexpr const char* kDefaultPrefix = "a_";
constexpr const char* kDefaultType = ".tmp";
constexpr const char* kFolderDialogTitle = "Select folder";
constexpr const char* kHelpText =
    "The prefix is the character(s) or number(s) that you would like to add to the beginning of "
    "the filename.\r\n\r\nTo use preceeding numbers, use the # character to specify the amount "
    "of leading zero's to use";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

QPixmap RenderSvg(const QString& resource, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(resource);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

void Fill(QFrame* shape, const QColor& colour) {
  QPalette palette = shape->palette();
  palette.setColor(QPalette::Window, colour);
  shape->setPalette(palette);
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  // The images live in the window's static library, whose resources are not registered on
  // their own.
  Q_INIT_RESOURCE(zantovel);
  setObjectName("frmMain");
  CreateControls();
  Form_Load();
}

QRect frmMain::Twips(int left, int top, int width, int height) const {
  const double scale = logicalDpiX() / 96.0 / kTwipsPerPixel;
  const auto px = [scale](int twips) { return static_cast<int>(twips * scale + 0.5); };
  return QRect(px(left), px(top), px(width), px(height));
}

void frmMain::CreateControls() {
  setFixedSize(Twips(0, 0, kClientWidth, kClientHeight).size());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);
  setAutoFillBackground(true);
  setWindowIcon(QIcon(RenderSvg(":/zantovel/app-icon.svg", 32)));
  setMouseTracking(true);

  // The window's font and the buttons' are MS Sans Serif, 8 and 9.75 points; where that font
  // is missing, the nearest in shape and width stands in for it.
  QFont windowFont;
  windowFont.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial"});
  windowFont.setStyleHint(QFont::SansSerif);
  windowFont.setPointSizeF(8);
  setFont(windowFont);
  QFont buttonFont = windowFont;
  buttonFont.setPointSizeF(9.75);
  buttonFont.setWeight(QFont::Normal);

  // Siblings made later are drawn above earlier ones, so the controls are made back to front.
  const auto caption = [this](int index, const char* text, QRect where) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString("Label1_%1").arg(index));
    label->setGeometry(where);
    label->setAttribute(Qt::WA_NoMousePropagation);
    Label1[static_cast<std::size_t>(index)] = label;
  };
  const auto shape = [this](const char* name, QRect where) {
    auto* frame = new QFrame(this);
    frame->setObjectName(name);
    frame->setGeometry(where);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(1);
    frame->setAutoFillBackground(true);
    // A move over the rectangle is a move over the window.
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    Fill(frame, kRestColour);
    return frame;
  };
  const auto labelButton = [this, &buttonFont](const char* name, const char* text, QRect where) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(where);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(buttonFont);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->installEventFilter(this);
    return label;
  };
  const auto textBox = [this](const char* name, QRect where) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setGeometry(where);
    box->setAttribute(Qt::WA_NoMousePropagation);
    return box;
  };

  caption(0, "Folder:", Twips(120, 120, 735, 255));
  Shape1 = shape("Shape1", Twips(4200, 120, 285, 285));
  Label2 = labelButton("Label2", "...", Twips(4200, 120, 285, 255));
  Shape2 = shape("Shape2", Twips(3720, 1200, 735, 255));
  Label3 = labelButton("Label3", "Run", Twips(3720, 1200, 765, 255));
  caption(1, "Prefix:", Twips(120, 480, 735, 255));
  caption(2, "File types:", Twips(120, 840, 735, 255));

  imgInfo = new QLabel(this);
  imgInfo->setObjectName("imgInfo");
  imgInfo->setGeometry(Twips(4200, 480, 285, 285));
  imgInfo->setPixmap(RenderSvg(":/zantovel/help.svg", 16));
  imgInfo->setScaledContents(true);
  imgInfo->setCursor(Qt::PointingHandCursor);
  imgInfo->setToolTip("Help....");
  imgInfo->setAttribute(Qt::WA_NoMousePropagation);
  imgInfo->installEventFilter(this);

  txtPath = textBox("txtPath", Twips(960, 120, 3135, 285));
  txtPrefix = textBox("txtPrefix", Twips(960, 480, 3135, 285));
  txtType = textBox("txtType", Twips(960, 840, 735, 285));
  setTabOrder(txtPath, txtPrefix);
  setTabOrder(txtPrefix, txtType);
  txtPath->setFocus();
}

void frmMain::Form_Load() {
  const AppVersion version = AppVersionNumbers();
  setWindowTitle(QString("%1 v%2.%3.%4")
                     .arg(Q(AppTitle()))
                     .arg(version.major)
                     .arg(version.minor)
                     .arg(version.revision));
  txtPath->setText(Q(GetIniPathSetting(AppTitle(), kSettingsSection, "LastP", kDefaultFolder)));
  txtPrefix->setText(Q(GetIniSetting(AppTitle(), kSettingsSection, "LastF", kDefaultPrefix)));
  txtType->setText(Q(GetIniSetting(AppTitle(), kSettingsSection, "LastT", kDefaultType)));

  const QRect screenArea = screen()->availableGeometry();
  move(screenArea.center() - rect().center());
}

void frmMain::Form_Unload() {
  // One save for the three, so that of two windows closing at once the last one decides.
  SaveIniSettings(AppTitle(), kSettingsSection,
                  {{"LastP", S(txtPath->text())},
                   {"LastF", S(txtPrefix->text())},
                   {"LastT", S(txtType->text())}});
}

void frmMain::Form_MouseMove() {
  Fill(Shape1, kRestColour);
  Fill(Shape2, kRestColour);
}

void frmMain::Label2_MouseMove() {
  Fill(Shape1, kHoverColour);
}

void frmMain::Label3_MouseMove() {
  Fill(Shape2, kHoverColour);
}

void frmMain::Label2_Click() {
  const std::optional<std::string> folder =
      BrowseForFolder(static_cast<WindowHandle>(this), kFolderDialogTitle);
  if (folder) txtPath->setText(Q(*folder));
}

void frmMain::Label3_Click() {
  const std::string folderPath = S(txtPath->text());
  std::string prefix = S(txtPrefix->text());
  const std::string fileType = S(txtType->text());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  RenameRun(folderPath, prefix, fileType);
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

void frmMain::imgInfo_Click() {
  MsgBox(kHelpText, MsgIcon::Information, AppTitle());
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

void frmMain::mouseMoveEvent(QMouseEvent* event) {
  Form_MouseMove();
  event->accept();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    if (watched == Label2) Label2_MouseMove();
    if (watched == Label3) Label3_MouseMove();
    return watched == Label2 || watched == Label3;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    // A click is a press and release of the left button on the same control.
    if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->position().toPoint()))
      return false;
    if (watched == Label2) Label2_Click();
    if (watched == Label3) Label3_Click();
    if (watched == imgInfo) imgInfo_Click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
