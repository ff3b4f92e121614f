#pragma once

#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/window_layout.h"
#include "app/window_model.h"
#include "rename/pass_progress.h"

class QFrame;
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
  ~MainWindow() override;

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
  // The session ends: a running pass stops with no question, and the fields are saved.
  void EndSession();

  // Whether a pass or an undo is running.
  bool Busy() const { return worker_.joinable(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  // The box in the window's pixels at the screen's dots per inch.
  QRect InPixels(zantovel::layout::TwipsBox box) const;
  zantovel::WindowFields Fields() const;
  void ShowHighlights(zantovel::WindowModel::Highlights lit);
  // Runs work off the window's thread, the fields and buttons disabled and a progress box shown
  // after half a second; then shows the box work returns.
  void RunOffThread(std::function<zantovel::WindowModel::Box()> work);
  void WorkEnded(zantovel::WindowModel::Box box);
  void ShowProgress();

  // What the worker reports, read by the window's timer.
  std::unique_ptr<zantovel::PassProgress> progress_;
  std::atomic<bool> stop_{false};
  bool closing_ = false;
  QLineEdit* lastFocus_ = nullptr;  // the text box that had the focus when the pass began
  std::thread worker_;
  QProgressDialog* progressBox_ = nullptr;
  QTimer* progressTimer_ = nullptr;

  zantovel::WindowModel model;
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
