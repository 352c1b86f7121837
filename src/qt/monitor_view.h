#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QTimer>
#include <functional>

namespace vrkt {
class Memo;
}

namespace vrkt::qt {

// The traffic log as a list model over the core's lines: the view converts only the lines it
// shows, and appended lines reach the view in batches, so a log of a million lines stays cheap.
class MonitorModel : public QAbstractListModel {
 public:
  MonitorModel(const Memo& memo, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Lines were appended to the memo: the view learns of them at the next batch.
  void LinesAppended();
  // The memo was cleared or replaced: the view starts over at once.
  void Reset();
  // Hands pending lines to the view now.
  void Flush();
  bool pending() const;
  std::function<void()> after_flush;

 private:
  const Memo& memo_;
  size_t shown_ = 0;
  QTimer batch_;
};

class MonitorView : public QListView {
 public:
  MonitorView(const Memo& memo, QWidget* parent);
  MonitorModel* monitor_model() const { return model_; }
  // The selected lines, joined by line ends.
  QString SelectedText() const;
  void CopySelection() const;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  MonitorModel* model_;
  bool follow_ = true;
};

}  // namespace vrkt::qt
