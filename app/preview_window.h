#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>

#include "app/preview.h"

class QLabel;
class QPushButton;
class QTableView;

// The rows of a preview, one per file the type reaches, made as the view asks for them: a
// folder of a hundred thousand files costs the view no widget per file.
class PreviewTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void Show(zantovel::PreviewContent content);
  const zantovel::PreviewContent& Content() const { return content_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  zantovel::PreviewContent content_;
};

// The preview beside the main window: what Run would do with the fields as they are typed,
// worked out off the window's thread a moment after the last key, and, once a pass has run,
// what it did. Files passed over are grey and in italics, files left are bold on red. Its
// Run button runs the pass as the main window's does.
class PreviewWindow : public QWidget, public zantovel::PreviewPane {
  Q_OBJECT

 public:
  PreviewWindow(const zantovel::WindowModel& model, QWidget* owner);
  ~PreviewWindow() override;

  bool Visible() const override { return isVisible(); }

 signals:
  void runAsked();

 protected:
  void showEvent(QShowEvent* event) override;
  void Show(zantovel::PreviewContent content) override;
  void SetRunEnabled(bool enabled) override;
  void Post() override;

 private:
  QLabel* heading_;
  QTableView* table_;
  PreviewTableModel* rows_;
  QPushButton* run_;
  bool shownBefore_ = false;
};
