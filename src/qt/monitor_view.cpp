#include "qt/monitor_view.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "qt/text_convert.h"
#include "ui/controls.h"

namespace vrkt::qt {

namespace {
// Often enough to look live, seldom enough that a burst of lines costs one layout pass.
constexpr int kBatchMs = 50;
}  // namespace

MonitorModel::MonitorModel(const Memo& memo, QObject* parent)
    : QAbstractListModel(parent), memo_(memo), shown_(memo.LineCount()) {
  batch_.setSingleShot(true);
  batch_.setInterval(kBatchMs);
  connect(&batch_, &QTimer::timeout, this, &MonitorModel::Flush);
}

int MonitorModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(std::min<size_t>(shown_, INT32_MAX));
}

QVariant MonitorModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  size_t row = static_cast<size_t>(index.row());
  if (row >= memo_.LineCount()) return {};
  return ToQ(memo_.lines()[row]);
}

bool MonitorModel::pending() const { return shown_ != memo_.LineCount(); }

void MonitorModel::LinesAppended() {
  if (!batch_.isActive()) batch_.start();
}

void MonitorModel::Reset() {
  batch_.stop();
  beginResetModel();
  shown_ = memo_.LineCount();
  endResetModel();
  if (after_flush) after_flush();
}

void MonitorModel::Flush() {
  batch_.stop();
  size_t total = memo_.LineCount();
  if (total < shown_) {  // only Clear shrinks the memo, and Clear resets; be safe anyway
    Reset();
    return;
  }
  if (total == shown_) return;
  beginInsertRows({}, static_cast<int>(shown_), static_cast<int>(total - 1));
  shown_ = total;
  endInsertRows();
  if (after_flush) after_flush();
}

MonitorView::MonitorView(const Memo& memo, QWidget* parent)
    : QListView(parent), model_(new MonitorModel(memo, this)) {
  setModel(model_);
  setUniformItemSizes(true);
  setLayoutMode(QListView::SinglePass);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction("Copy", this);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, this, [this] { CopySelection(); });
  addAction(copy);
  // Follow the newest line unless the user has scrolled back to read.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
    follow_ = v >= verticalScrollBar()->maximum();
  });
  model_->after_flush = [this] {
    if (follow_) scrollToBottom();
  };
}

QString MonitorView::SelectedText() const {
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QStringList out;
  for (const QModelIndex& i : rows) out << i.data().toString();
  return out.join('\n');
}

void MonitorView::CopySelection() const {
  QString text = SelectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void MonitorView::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::Copy)) {
    CopySelection();
    return;
  }
  QListView::keyPressEvent(e);
}

}  // namespace vrkt::qt
