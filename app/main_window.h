#pragma once

#include <QWidget>
#include <array>

#include "app/pass_runner.h"
#include "app/preview.h"
#include "app/window_layout.h"
#include "app/window_model.h"

class PreviewWindow;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QMimeData;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QTimer;

// The program's one window: the three inputs of a rename pass, the "..." and "Run"
// label-buttons with the rectangles that light up behind them, and the help icon. It draws
// them and hands their events to its WindowModel, which does the rest.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // The window of the program whose settings and log are `files`.
  explicit MainWindow(zantovel::ProgramFiles& files, QWidget* parent = nullptr);

  // What the window does, one handler per event it answers.
  void OnLoad();
  void OnClose();
  void OnMouseMovedOverBackground();
  void OnMouseMovedOverBrowseButton();
  void OnMouseMovedOverRunButton();
  void OnBrowseClicked();
  void OnRunClicked();
  void OnHelpClicked();
  void OnStopAsked();
  void OnUndoAsked();
  // The preview opens beside the window (or comes to the front) and follows the fields.
  void OnPreviewAsked();
  // A folder given from outside (the command line, a drop; a file stands for its folder) goes
  // into the Folder field, as if typed; anything else leaves the field as it is. Whether it
  // did.
  bool OpenOn(const std::string& path);
  // The session ends: a running pass stops with no question, and the fields are saved.
  void EndSession();

  // Whether a pass or an undo is running.
  bool Busy() const { return runner_.Busy(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateControls();
  // The box in the window's pixels at the screen's dots per inch.
  QRect InPixels(zantovel::layout::TwipsBox box) const;
  zantovel::WindowFields Fields() const;
  void ShowHighlights(zantovel::WindowModel::Highlights lit);
  // Runs work beside the window (PassRunner), the fields and buttons disabled and a progress box
  // shown after half a second; then shows the box work returns.
  void RunBeside(zantovel::PassRunner::Work work);
  // The work is over: the fields and buttons are the user's again.
  void Settle();
  void ShowProgress();
  // The menu of the window's background, or of a text box (edit).
  void ShowMenu(QLineEdit* edit, QPoint where);
  // The fields changed: an open preview works out its plan afresh.
  void FieldsChanged();
  // The plan of taking back a pass is ready: its question, then the undo.
  void UndoPlanned();

  // The folder a drag carries, as the Folder field would hold it, or nothing.
  static std::optional<std::string> DraggedFolder(const QMimeData* data);

  double textScale_ = 1;  // of the desktop's font against the design's (layout::TextScale)
  QLineEdit* lastFocus_ = nullptr;  // the text box that had the focus when the pass began
  QProgressDialog* progressBox_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  PreviewWindow* preview_ = nullptr;  // made when first asked for
  // What the last pass did, written by the worker before the runner hands its end on, and
  // shown by the preview once the window settles.
  std::optional<zantovel::PreviewContent> passDone_;

  zantovel::WindowModel model;
  // After the model, which the work uses: it goes first, stopping and waiting for the work.
  zantovel::PassRunner runner_;
  zantovel::UndoPlanning undoPlanning_;  // the checks behind Ctrl+Z's question
  QLineEdit* typeEdit;
  QLineEdit* prefixEdit;
  QLineEdit* folderEdit;
  QLabel* helpIcon;
  std::array<QLabel*, 3> captions;
  QLabel* runButton;
  QFrame* runHighlight;
  QLabel* browseButton;
  QFrame* browseHighlight;
};
