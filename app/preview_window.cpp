#include "app/preview_window.h"

#include "rename/name_rules.h"

#include <QFont>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace {

using zantovel::PreviewContent;
using zantovel::PreviewRow;
using zantovel::RowKind;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

void PreviewTableModel::Show(PreviewContent content) {
  beginResetModel();
  content_ = std::move(content);
  endResetModel();
}

int PreviewTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(content_.steps.size());
}

int PreviewTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant PreviewTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const PreviewRow row =
      zantovel::RowOf(content_.steps[static_cast<std::size_t>(index.row())], content_);
  switch (role) {
    case Qt::DisplayRole:
      return Q(index.column() == 0 ? row.name : index.column() == 1 ? row.newName : row.what);
    case Qt::AccessibleTextRole:
      return Q(row.name + ": " + row.what + (row.newName.empty() ? "" : ", " + row.newName));
    case Qt::ToolTipRole:
      return Q(row.what);
    case Qt::FontRole: {
      if (row.kind == RowKind::Changed || row.kind == RowKind::NotReached) return {};
      QFont font;
      font.setItalic(row.kind == RowKind::PassedOver);
      font.setBold(row.kind == RowKind::Left);
      return font;
    }
    case Qt::ForegroundRole:
      if (row.kind == RowKind::PassedOver || row.kind == RowKind::NotReached)
        return QColor(Qt::darkGray);
      if (row.kind == RowKind::Left) return QColor(Qt::black);
      return {};
    case Qt::BackgroundRole:
      if (row.kind == RowKind::Left) return QColor(0xFF, 0xD8, 0xD8);
      return {};
    default:
      return {};
  }
}

QVariant PreviewTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const bool copies = zantovel::IsAllFiles(content_.fields.type);
  switch (section) {
    case 0:
      return QString("Name");
    case 1:
      return QString(copies ? "Copy" : "New name");
    default:
      return QString("What happens");
  }
}

PreviewWindow::PreviewWindow(const zantovel::WindowModel& model, QWidget* owner)
    : QWidget(owner, Qt::Tool), PreviewPane(model) {
  setObjectName("previewWindow");
  setWindowTitle("Zantovel preview");
  setAccessibleName("Preview of the pass");
  heading_ = new QLabel(this);
  heading_->setObjectName("previewHeading");
  heading_->setTextFormat(Qt::PlainText);
  heading_->setWordWrap(true);
  heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  rows_ = new PreviewTableModel(this);
  table_ = new QTableView(this);
  table_->setObjectName("previewTable");
  table_->setAccessibleName("Files");
  table_->setModel(rows_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  // Rows of one height, drawn only where they are seen: a hundred thousand scroll smoothly.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setStretchLastSection(true);
  run_ = new QPushButton("&Run", this);
  run_->setObjectName("previewRun");
  run_->setToolTip("Run the pass the preview shows (Ctrl+Return)");
  connect(run_, &QPushButton::clicked, this, &PreviewWindow::runAsked);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(table_, 1);
  layout->addWidget(run_, 0, Qt::AlignRight);
  resize(600, 400);
  for (const QKeySequence& keys :
       {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
    connect(new QShortcut(keys, this), &QShortcut::activated, this, &PreviewWindow::runAsked);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
}

void PreviewWindow::showEvent(QShowEvent* event) {
  // The names share the width its owner left it, the reasons have the rest; from then on the
  // columns are the user's. (Not sized to their contents: that would measure every row.)
  if (!shownBefore_) {
    const int width = table_->viewport()->width();
    table_->setColumnWidth(0, width * 3 / 10);
    table_->setColumnWidth(1, width * 3 / 10);
    shownBefore_ = true;
  }
  QWidget::showEvent(event);
}

PreviewWindow::~PreviewWindow() {
  StopFollowing();
}

void PreviewWindow::Post() {
  QMetaObject::invokeMethod(
      this, [this] { Ready(); }, Qt::QueuedConnection);
}

void PreviewWindow::SetRunEnabled(bool enabled) {
  run_->setEnabled(enabled);
}

void PreviewWindow::Show(PreviewContent content) {
  heading_->setText(Q(zantovel::PreviewHeading(content)));
  rows_->Show(std::move(content));
}
