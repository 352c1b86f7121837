#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <string>

namespace vrkt {
class Grid;
}

namespace vrkt::qt {

// What the grid asks of the program when the user edits; each runs as a user action.
struct PhoneBookCommands {
  std::function<void(int line, const std::string& name)> set_name;
  std::function<void(int line, const std::string& phone)> set_phone;
  std::function<void()> append_row;
  std::function<void(int line)> delete_row;
};

// The phone book rows ("name=phone") as a two-column table. With no rows the grid still shows
// one empty line, which is not a row.
class PhoneBookModel : public QAbstractTableModel {
 public:
  PhoneBookModel(const Grid& grid, PhoneBookCommands commands, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // The grid's rows or titles changed in the model. With as many lines as before only the texts
  // are redrawn, so an open cell editor and the current cell survive the edit that changed them.
  void Reload();
  void TitlesChanged();

 private:
  const Grid& grid_;
  PhoneBookCommands commands_;
  int shown_lines_ = 1;
};

class PhoneBookView : public QTableView {
 public:
  PhoneBookView(const Grid& grid, PhoneBookCommands commands, QWidget* parent);
  PhoneBookModel* book_model() const { return model_; }
  // Makes the cell of grid line `line` (1 = first row) and `column` current without telling the
  // program.
  void ShowCell(int line, int column);
  // The user moved to another cell.
  std::function<void(int line, int column)> on_cell_changed;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  const Grid& grid_;
  PhoneBookCommands commands_;
  // Return goes on to the cell below, as in a spreadsheet.
  void MoveDown();
  PhoneBookModel* model_;
  bool showing_ = false;
};

}  // namespace vrkt::qt
