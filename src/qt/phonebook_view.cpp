#include "qt/phonebook_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

#include "params/field_chars.h"
#include "phonebook/phonebook.h"
#include "qt/input_gate.h"
#include "qt/text_convert.h"
#include "ui/controls.h"

namespace vrkt::qt {

namespace {

// Cell editors that refuse what the code page cannot hold, and in the number column anything
// but the characters a SIM number takes.
class GatedDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const QString accepted =
          index.column() == 1 ? QString::fromLatin1(kDialCharacters.data(),
                                                    static_cast<int>(kDialCharacters.size()))
                              : QString();
      QPointer<QWidget> window = parent->window();
      line->setValidator(new InputGate(
          accepted, [window](const QString& note) { ShowStatusNote(window, note); }, line));
    }
    return editor;
  }
};

}  // namespace

PhoneBookModel::PhoneBookModel(const Grid& grid, PhoneBookCommands commands, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), commands_(std::move(commands)) {}

int PhoneBookModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return std::max<int>(1, static_cast<int>(grid_.rows().size()));
}

int PhoneBookModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant PhoneBookModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  size_t row = static_cast<size_t>(index.row());
  if (row >= grid_.rows().size()) return QString();
  // Shown as the program reads the row, so that a cell edits what it shows (a row without "="
  // is all phone).
  const std::string& text = grid_.rows()[row];
  return ToQ(std::string(index.column() == 0 ? RowName(text) : RowPhone(text)));
}

QVariant PhoneBookModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return ToQ(section == 0 ? grid_.name_title() : grid_.value_title());
}

Qt::ItemFlags PhoneBookModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool PhoneBookModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  std::string text = FromQ(value.toString());
  int line = index.row() + 1;
  if (index.column() == 0) {
    if (commands_.set_name) commands_.set_name(line, text);
  } else if (commands_.set_phone) {
    commands_.set_phone(line, text);
  }
  // The program may refuse the text (a name with "="): show what the rows hold now.
  emit dataChanged(index, index);
  return true;
}

void PhoneBookModel::Reload() {
  int lines = rowCount();
  if (lines == shown_lines_) {
    emit dataChanged(index(0, 0), index(lines - 1, 1));
    return;
  }
  beginResetModel();
  shown_lines_ = lines;
  endResetModel();
}

void PhoneBookModel::TitlesChanged() { emit headerDataChanged(Qt::Horizontal, 0, 1); }

PhoneBookView::PhoneBookView(const Grid& grid, PhoneBookCommands commands, QWidget* parent)
    : QTableView(parent),
      grid_(grid),
      commands_(commands),
      model_(new PhoneBookModel(grid, commands, this)) {
  setModel(model_);
  setItemDelegate(new GatedDelegate(this));
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  setColumnWidth(0, 132);
  setColumnWidth(1, 239);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (showing_ || !current.isValid()) return;
            if (on_cell_changed) on_cell_changed(current.row() + 1, current.column());
          });
}

void PhoneBookView::ShowCell(int line, int column) {
  showing_ = true;
  int row = std::clamp(line - 1, 0, model_->rowCount() - 1);
  QModelIndex index = model_->index(row, std::clamp(column, 0, 1));
  if (index != currentIndex()) setCurrentIndex(index);
  scrollTo(index);
  showing_ = false;
}

void PhoneBookView::MoveDown() {
  QModelIndex current = currentIndex();
  if (!current.isValid() || current.row() + 1 >= model_->rowCount()) return;
  setCurrentIndex(model_->index(current.row() + 1, current.column()));
}

void PhoneBookView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, hint);
  // The delegate ends an edit with this hint only for Return and Enter.
  if (hint == QAbstractItemDelegate::SubmitModelCache) MoveDown();
}

void PhoneBookView::keyPressEvent(QKeyEvent* e) {
  int line = currentIndex().isValid() ? currentIndex().row() + 1 : 1;
  bool last = line >= static_cast<int>(grid_.rows().size());
  bool plain = e->modifiers() == Qt::NoModifier;
  // Down on the last row or Insert appends a row; Ctrl+Delete deletes the current row.
  if ((e->key() == Qt::Key_Down && plain && last && !grid_.rows().empty()) ||
      (e->key() == Qt::Key_Insert && plain)) {
    int column = currentIndex().isValid() ? currentIndex().column() : 0;
    if (commands_.append_row) commands_.append_row();
    int added = static_cast<int>(grid_.rows().size());
    ShowCell(added, column);
    if (on_cell_changed) on_cell_changed(added, column);
    return;
  }
  // While a cell editor is open, Return reaches the grid as well; the editor's own end moves on.
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && state() != EditingState &&
      (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    MoveDown();
    return;
  }
  // Delete (or Ctrl+Delete) removes the current row once the user has confirmed it.
  if (e->key() == Qt::Key_Delete && state() != EditingState &&
      (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::ControlModifier)) {
    if (commands_.delete_row) commands_.delete_row(line);
    return;
  }
  QTableView::keyPressEvent(e);
}

}  // namespace vrkt::qt
