#include "app/main_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QScreen>
#include <QShortcut>
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>

#include "app/preview_window.h"
#include "platform/app.h"
#include "platform/dialogs.h"

namespace {

using namespace zantovel;

namespace layout = zantovel::layout;

const QColor kBackground = QColor::fromRgb(layout::kBackgroundColour);
const QColor kRestColour = QColor::fromRgb(layout::kRestColour);
const QColor kHoverColour = QColor::fromRgb(layout::kHoverColour);

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

// The picture drawn at size (in the window's pixels) for a screen with pixelRatio device pixels
// to each of them, so it stays sharp on a scaled screen.
QPixmap RenderSvg(const QString& resource, QSize size, qreal pixelRatio) {
  QPixmap pixmap(size * pixelRatio);
  pixmap.setDevicePixelRatio(pixelRatio);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(resource);
  QPainter painter(&pixmap);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return pixmap;
}

// The label-buttons and the help picture are labels to Qt; to a screen reader they are
// buttons, whose press action clicks them.
class LabelButtonAccessible : public QAccessibleWidget {
 public:
  explicit LabelButtonAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::Button) {}
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action != pressAction()) return;
    const QPointF centre = QRectF(widget()->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent click(type, centre, widget()->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(widget(), &click);
    }
  }
};

// A label that works as a button: a class of its own, so that accessibility asks for it by
// name before Qt's own interface for labels answers.
class LabelButton : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 protected:
  // A Tab stop shows that it has the focus by a dotted frame inside its edge.
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
  }
  void focusInEvent(QFocusEvent* event) override {
    QLabel::focusInEvent(event);
    update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLabel::focusOutEvent(event);
    update();
  }
};

// Completes folder names as they are typed, "~" standing for the home folder.
class FolderCompleter : public QCompleter {
 public:
  explicit FolderCompleter(QObject* parent) : QCompleter(parent) {
    auto* folders = new QFileSystemModel(this);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders->setRootPath(QString());
    setModel(folders);
    setCompletionMode(QCompleter::PopupCompletion);
  }
  QStringList splitPath(const QString& path) const override {
    return QCompleter::splitPath(
        QFile::decodeName(WindowModel::FolderNamed(QFile::encodeName(path).toStdString()).c_str()));
  }
};

QAccessibleInterface* LabelButtonAccessibleFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(LabelButton::staticMetaObject.className())) return nullptr;
  return new LabelButtonAccessible(static_cast<QWidget*>(object));
}

void Fill(QFrame* shape, const QColor& colour) {
  QPalette palette = shape->palette();
  palette.setColor(QPalette::Window, colour);
  shape->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(zantovel::ProgramFiles& files, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model(files),
      runner_({[this] {
                 QMetaObject::invokeMethod(
                     this, [this] { runner_.Ended(); }, Qt::QueuedConnection);
               },
               [this] { Settle(); }}),
      undoPlanning_([this] {
        QMetaObject::invokeMethod(
            this, [this] { UndoPlanned(); }, Qt::QueuedConnection);
      }) {
  // The images live in the window's static library, whose resources are not registered on
  // their own.
  Q_INIT_RESOURCE(zantovel);
  setObjectName("frmMain");
  CreateControls();
  OnLoad();
}

QRect MainWindow::InPixels(layout::TwipsBox box) const {
  const double scale = logicalDpiX() * textScale_ / double{layout::kTwipsPerInch};
  const auto px = [scale](int twips) { return static_cast<int>(twips * scale + 0.5); };
  return QRect(px(box.left), px(box.top), px(box.width), px(box.height));
}

void MainWindow::CreateControls() {
  textScale_ = layout::TextScale(QApplication::font().pointSizeF());
  setFixedSize(InPixels(layout::kClientArea).size());
  // The background and the rectangles have fixed colours, so the text on them (and the
  // rectangles' borders) has a fixed colour too: black, readable in a dark theme as in a light
  // one. The text boxes keep the theme's own colours.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  palette.setColor(QPalette::WindowText, Qt::black);
  setPalette(palette);
  setAutoFillBackground(true);
  const qreal pixelRatio = devicePixelRatioF();
  setWindowIcon(QIcon(RenderSvg(":/zantovel/app-icon.svg", QSize(32, 32), pixelRatio)));
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(LabelButtonAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  setMouseTracking(true);

  // Where the design's font is missing, the nearest in shape and width stands in for it.
  QFont windowFont;
  windowFont.setFamilies({layout::kFontFamily, "Microsoft Sans Serif", "Liberation Sans", "Arial"});
  windowFont.setStyleHint(QFont::SansSerif);
  windowFont.setPointSizeF(layout::kWindowFontSize / 100.0 * textScale_);
  setFont(windowFont);
  QFont buttonFont = windowFont;
  buttonFont.setPointSizeF(layout::kButtonFontSize / 100.0 * textScale_);
  buttonFont.setWeight(QFont::Normal);

  // Siblings made later are drawn above earlier ones, so the controls are made back to front.
  // Each control's objectName is the name the window's design gives it (txtPath, Label2,
  // Shape1, ...): tests and tools find the controls by those names, the code by its own.
  const auto caption = [this](int index, const char* text, QRect where) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString("Label1_%1").arg(index));
    label->setGeometry(where);
    label->setAttribute(Qt::WA_NoMousePropagation);
    captions[static_cast<std::size_t>(index)] = label;
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
  const auto labelButton = [this, &buttonFont](const char* name, const char* text, QRect where,
                                               const char* spokenName, const char* toolTip) {
    auto* label = new LabelButton(text, this);
    label->setObjectName(name);
    label->setAccessibleName(spokenName);
    label->setToolTip(toolTip);
    label->setGeometry(where);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(buttonFont);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    label->setAttribute(Qt::WA_NoMousePropagation);
    label->setFocusPolicy(Qt::StrongFocus);
    label->installEventFilter(this);
    return label;
  };
  const auto textBox = [this](const char* name, QRect where, const char* spokenName) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setAccessibleName(spokenName);
    box->setGeometry(where);
    box->setAttribute(Qt::WA_NoMousePropagation);
    box->installEventFilter(this);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QLineEdit::customContextMenuRequested, this,
            [this, box](QPoint where) { ShowMenu(box, where); });
    connect(box, &QLineEdit::textChanged, this, &MainWindow::FieldsChanged);
    return box;
  };

  caption(0, layout::kFolderCaptionText, InPixels(layout::kFolderCaption));
  browseHighlight = shape("Shape1", InPixels(layout::kBrowseHighlight));
  browseButton = labelButton("Label2", layout::kBrowseText, InPixels(layout::kBrowseButton),
                             "Choose folder", layout::kBrowseTip);
  runHighlight = shape("Shape2", InPixels(layout::kRunHighlight));
  runButton =
      labelButton("Label3", layout::kRunText, InPixels(layout::kRunButton), "Run", layout::kRunTip);
  caption(1, layout::kPrefixCaptionText, InPixels(layout::kPrefixCaption));
  caption(2, layout::kTypeCaptionText, InPixels(layout::kTypeCaption));

  helpIcon = new LabelButton(this);
  helpIcon->setObjectName("imgInfo");
  helpIcon->setGeometry(InPixels(layout::kHelpIcon));
  // The help picture fills its box, drawn at the box's size rather than stretched from 16
  // pixels, so it is sharp at any scale.
  helpIcon->setPixmap(RenderSvg(":/zantovel/help.svg", helpIcon->size(), pixelRatio));
  helpIcon->setAccessibleName("Help");
  helpIcon->setCursor(Qt::PointingHandCursor);
  helpIcon->setToolTip(layout::kHelpTip);
  helpIcon->setAttribute(Qt::WA_NoMousePropagation);
  helpIcon->setFocusPolicy(Qt::StrongFocus);
  helpIcon->installEventFilter(this);

  folderEdit = textBox("txtPath", InPixels(layout::kFolderBox), "Folder");
  prefixEdit = textBox("txtPrefix", InPixels(layout::kPrefixBox), "Prefix");
  typeEdit = textBox("txtType", InPixels(layout::kTypeBox), "File types");
  folderEdit->setCompleter(new FolderCompleter(folderEdit));
  // Tab goes through the controls as they are read: each field, then the button beside it.
  const std::array<QWidget*, 6> tabOrder{folderEdit, browseButton, prefixEdit,
                                         typeEdit,   runButton,    helpIcon};
  for (std::size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
  setAcceptDrops(true);
  folderEdit->setFocus();

  // Everything the mouse does, the keyboard does too. Plain Return stays with the text boxes
  // and does nothing, so that a pass never starts by accident.
  const auto shortcut = [this](QKeySequence keys, void (MainWindow::*handler)()) {
    auto* action = new QShortcut(keys, this);
    action->setContext(Qt::WindowShortcut);
    connect(action, &QShortcut::activated, this, handler);
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), &MainWindow::OnRunClicked);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), &MainWindow::OnRunClicked);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::OnBrowseClicked);
  shortcut(QKeySequence(Qt::Key_F1), &MainWindow::OnHelpClicked);
  shortcut(QKeySequence(Qt::Key_Escape), &MainWindow::OnStopAsked);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::OnUndoAsked);
  shortcut(QKeySequence(Qt::Key_F5), &MainWindow::OnPreviewAsked);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](QPoint where) { ShowMenu(nullptr, where); });
}

void MainWindow::ShowMenu(QLineEdit* edit, QPoint where) {
  QMenu* menu = edit != nullptr ? edit->createStandardContextMenu() : new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
  auto* preview = new QAction("&Preview", menu);
  preview->setObjectName("previewAction");
  preview->setShortcut(QKeySequence(Qt::Key_F5));
  connect(preview, &QAction::triggered, this, &MainWindow::OnPreviewAsked);
  menu->insertAction(first, preview);
  if (first != nullptr) menu->insertSeparator(first);
  QWidget* owner = edit != nullptr ? static_cast<QWidget*>(edit) : this;
  menu->popup(owner->mapToGlobal(where));
}

void MainWindow::OnPreviewAsked() {
  if (preview_ == nullptr) {
    preview_ = new PreviewWindow(model, this);
    connect(preview_, &PreviewWindow::runAsked, this, &MainWindow::OnRunClicked);
    const auto box = [](QRect r) { return ScreenBox{r.left(), r.top(), r.width(), r.height()}; };
    const QSize chrome = preview_->frameGeometry().size() - preview_->size();
    const ScreenBox place = PlaceBeside(box(preview_->frameGeometry()), box(frameGeometry()),
                                        box(screen()->availableGeometry()));
    preview_->resize(place.width - chrome.width(), place.height - chrome.height());
    preview_->move(place.left, place.top);
  }
  if (Busy()) {
    preview_->WorkStarted();
  } else {
    preview_->Follow(Fields());
  }
  // Shown without taking the keys: the fields go on being typed with the preview in sight.
  preview_->setAttribute(Qt::WA_ShowWithoutActivating);
  preview_->show();
  preview_->raise();
}

void MainWindow::FieldsChanged() {
  if (preview_ != nullptr && preview_->isVisible() && !Busy()) preview_->Follow(Fields());
}

void MainWindow::OnLoad() {
  setWindowTitle(Q(WindowModel::Caption()));
  const WindowFields fields = model.Restore();
  folderEdit->setText(Q(fields.folder));
  prefixEdit->setText(Q(fields.prefix));
  typeEdit->setText(Q(fields.type));

  const QRect screenArea = screen()->availableGeometry();
  move(screenArea.center() - rect().center());
}

bool MainWindow::OpenOn(const std::string& path) {
  const std::optional<std::string> folder = WindowModel::FolderFieldFor(path);
  if (folder) folderEdit->setText(Q(*folder));
  return folder.has_value();
}

std::optional<std::string> MainWindow::DraggedFolder(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return std::nullopt;
  const QUrl first = data->urls().constFirst();
  if (!first.isLocalFile()) return std::nullopt;
  return WindowModel::FolderFieldFor(QFile::encodeName(first.toLocalFile()).toStdString());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  // Anything but a folder or a file is refused, and the pointer says so.
  if (!Busy() && DraggedFolder(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<std::string> folder = DraggedFolder(event->mimeData());
  if (Busy() || !folder) return event->ignore();
  folderEdit->setText(Q(*folder));
  event->acceptProposedAction();
  activateWindow();
  folderEdit->setFocus();
}

void MainWindow::OnClose() {
  model.Keep(Fields());
}

WindowFields MainWindow::Fields() const {
  return {S(folderEdit->text()), S(prefixEdit->text()), S(typeEdit->text())};
}

void MainWindow::ShowHighlights(WindowModel::Highlights lit) {
  Fill(browseHighlight, lit.browse ? kHoverColour : kRestColour);
  Fill(runHighlight, lit.run ? kHoverColour : kRestColour);
}

void MainWindow::OnMouseMovedOverBackground() {
  ShowHighlights(model.PointerMoved(WindowModel::PointerOver::Background));
}

void MainWindow::OnMouseMovedOverBrowseButton() {
  ShowHighlights(model.PointerMoved(WindowModel::PointerOver::BrowseButton));
}

void MainWindow::OnMouseMovedOverRunButton() {
  ShowHighlights(model.PointerMoved(WindowModel::PointerOver::RunButton));
}

void MainWindow::OnBrowseClicked() {
  if (Busy()) return;
  folderEdit->setText(
      Q(WindowModel::PickFolder(static_cast<WindowHandle>(this), S(folderEdit->text()))));
}

void MainWindow::OnRunClicked() {
  if (Busy()) return;
  const WindowFields fields = Fields();
  passDone_.reset();
  const bool record = preview_ != nullptr && preview_->isVisible();
  RunBeside([this, fields, record](PassProgress& progress, const std::atomic<bool>& stop) {
    return PreviewPane::RunPass(model, fields, progress, stop, record, passDone_);
  });
}

void MainWindow::OnStopAsked() {
  runner_.Stop();
}

void MainWindow::OnUndoAsked() {
  if (Busy() || undoPlanning_.Running()) return;
  // The checks run beside the window, which stays alive; the pointer says to wait.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  undoPlanning_.Start(model);
}

void MainWindow::UndoPlanned() {
  QApplication::restoreOverrideCursor();
  WindowModel::Box nothing;
  const std::optional<WindowModel::UndoPlan> plan = undoPlanning_.Take(nothing);
  const std::optional<std::string> id = WindowModel::ConfirmUndo(plan, nothing);
  if (!id || Busy()) return;
  RunBeside([this, id = *id](PassProgress& progress, const std::atomic<bool>& stop) {
    return model.AfterUndo(model.UndoPass(id, &progress, &stop));
  });
}

void MainWindow::RunBeside(PassRunner::Work work) {
  // The text box that has the focus gets it back when the pass ends.
  lastFocus_ = qobject_cast<QLineEdit*>(focusWidget());
  for (QWidget* control : {static_cast<QWidget*>(folderEdit), static_cast<QWidget*>(prefixEdit),
                           static_cast<QWidget*>(typeEdit), static_cast<QWidget*>(runButton),
                           static_cast<QWidget*>(browseButton)})
    control->setEnabled(false);
  // The window holds the keys meanwhile (Esc stops), and no control shows the focus.
  setFocus();
  progressTimer_ = new QTimer(this);
  connect(progressTimer_, &QTimer::timeout, this, &MainWindow::ShowProgress);
  progressTimer_->start(100);
  QTimer::singleShot(500, progressTimer_, [this] {
    if (!Busy()) return;
    progressBox_ = new QProgressDialog(this);
    progressBox_->setObjectName("progressBox");
    const QString title = Q(AppTitle() + " progress");
    progressBox_->setWindowTitle(title);
    // Wide enough for its title whole beside the title bar's buttons, which a box sized to its
    // label alone would cut short.
    progressBox_->setMinimumWidth(progressBox_->fontMetrics().horizontalAdvance(title) + 160);
    progressBox_->setMinimumDuration(0);
    progressBox_->setAutoClose(false);
    progressBox_->setAutoReset(false);
    connect(progressBox_, &QProgressDialog::canceled, this, &MainWindow::OnStopAsked);
    // Below the window where the screen has room, so that the window stays in sight whole;
    // placed before it shows, as a window manager keeps a place asked for from the start.
    progressBox_->adjustSize();
    const QRect frame = frameGeometry();
    const int titleBar = frame.height() - height();
    const QRect box(QPoint(frame.left() + (frame.width() - progressBox_->width()) / 2,
                           frame.bottom() + 8 + titleBar),
                    progressBox_->size());
    if (screen()->availableGeometry().contains(box)) progressBox_->move(box.topLeft());
    // Filled once placed: a value given to the box can show it at once, where Qt puts it.
    ShowProgress();
    progressBox_->open();
  });
  if (preview_ != nullptr) preview_->WorkStarted();
  runner_.Start(std::move(work));
}

void MainWindow::ShowProgress() {
  if (progressBox_ == nullptr || !Busy()) return;
  const PassProgress::Snapshot now = runner_.Progress("\n");
  // A bar that only moves while the folder is listed, with no total yet.
  const int total = static_cast<int>(now.total);
  progressBox_->setMaximum(total);
  progressBox_->setValue(total == 0 ? 0 : std::min(static_cast<int>(now.done), total));
  progressBox_->setLabelText(Q(now.text));
}

void MainWindow::Settle() {
  delete progressTimer_;
  progressTimer_ = nullptr;
  delete progressBox_;
  progressBox_ = nullptr;
  for (QWidget* control : {static_cast<QWidget*>(folderEdit), static_cast<QWidget*>(prefixEdit),
                           static_cast<QWidget*>(typeEdit), static_cast<QWidget*>(runButton),
                           static_cast<QWidget*>(browseButton)})
    control->setEnabled(true);
  (lastFocus_ != nullptr ? lastFocus_ : folderEdit)->setFocus();
  if (preview_ != nullptr) preview_->WorkEnded(passDone_, Fields());
}

void MainWindow::OnHelpClicked() {
  WindowModel::ShowHelp();
}

void MainWindow::EndSession() {
  runner_.EndSession();
  OnClose();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!runner_.MayClose()) {
    event->ignore();
    return;
  }
  OnClose();
  event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  OnMouseMovedOverBackground();
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+Z takes back what was typed in a text box first, as in any text box; with nothing
  // typed left to take back, the box lets it through to the window, which takes back the last
  // pass (after a question).
  if (event->type() == QEvent::ShortcutOverride) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo) &&
        !edit->isUndoAvailable()) {
      event->ignore();
      return true;
    }
  }
  // A file or folder dragged over a text box is the window's to take; text dragged there is
  // the box's.
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
      event->type() == QEvent::Drop) {
    auto* drag = static_cast<QDropEvent*>(event);
    if (drag->mimeData()->hasUrls()) {
      if (event->type() == QEvent::Drop)
        dropEvent(drag);
      else if (!Busy() && DraggedFolder(drag->mimeData()))
        drag->acceptProposedAction();
      else
        drag->ignore();
      return true;
    }
  }
  // Space and Return press a label-button that has the focus, as they press any button.
  if (event->type() == QEvent::KeyPress &&
      (watched == browseButton || watched == runButton || watched == helpIcon)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const auto modifiers = static_cast<QKeyEvent*>(event)->modifiers();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (watched == browseButton) OnBrowseClicked();
      if (watched == runButton) OnRunClicked();
      if (watched == helpIcon) OnHelpClicked();
      return true;
    }
  }
  if (event->type() == QEvent::MouseMove) {
    if (watched == browseButton) OnMouseMovedOverBrowseButton();
    if (watched == runButton) OnMouseMovedOverRunButton();
    return watched == browseButton || watched == runButton;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    // A click is a press and release of the left button on the same control.
    if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->position().toPoint()))
      return false;
    if (watched == browseButton) OnBrowseClicked();
    if (watched == runButton) OnRunClicked();
    if (watched == helpIcon) OnHelpClicked();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

#include "main_window.moc"
