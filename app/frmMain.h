#pragma once

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;

// The program's one window: the three inputs of a rename pass, the "..." and "Run"
// label-buttons with their hover rectangles, and the help icon. Its handlers are the program.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);

  // Handlers, named after the control and the event they answer.
  void Form_Load();
  void Form_Unload();
  void Form_MouseMove();
  void Label2_MouseMove();
  void Label3_MouseMove();
  void Label2_Click();
  void Label3_Click();
  void imgInfo_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  QRect Twips(int left, int top, int width, int height) const;

  QLineEdit* txtType;
  QLineEdit* txtPrefix;
  QLineEdit* txtPath;
  QLabel* imgInfo;
  std::array<QLabel*, 3> Label1;
  QLabel* Label3;
  QFrame* Shape2;
  QLabel* Label2;
  QFrame* Shape1;
};
