#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrkt {

class Edit;
class Grid;

// One phone book row as the grid holds it: "name=phone". The name is the text before the first
// "=", the phone the text after it. A row without "=" (a file line that had none) has an empty
// name and its whole text as phone, and is kept as it is so that it is saved back unchanged.
std::string_view RowName(std::string_view row);
std::string_view RowPhone(std::string_view row);
std::string MakeRow(std::string_view name, std::string_view phone);

// The text with every line break (CR, LF or the pair CR LF) made one blank: a row is one line
// of a file, so a cell can hold no line break.
std::string OneLine(std::string_view text);

// Cuts a text into lines; a line ends at CR, LF or the pair CR LF. A line end after the last line
// adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

// The text shown when a name with "=" is typed into the grid.
inline constexpr char kKeyMayNotContainEquals[] = "Key may not contain equals sign (\"=\")";

// The editor of the SIM's ordinary phone book (grid PhoneBook1). Rows are held in the grid as
// "name=phone" texts; grid line 0 is the title line, data lines count from 1. With no rows the
// grid still shows one empty line, which is not a row.
//
// Every operation that changes the rows tells the grid's view once, so that bulk changes (a read
// from the unit, a file load) cost one redraw, not one per row.
class PhoneBookEditor {
 public:
  // `grid` holds the rows; `find` is the name that Find looks for.
  PhoneBookEditor(Grid& grid, Edit& find) : grid_(grid), find_(find) {}

  // --- Button handlers.
  // Inserts an empty row at the selected line, unless that line already is an empty row; either
  // way the row's name cell then takes the keyboard.
  void LineInClick();
  // Deletes the row at the selected line; on the last of several rows the selection moves up.
  void LineDelClick();
  // Selects the first row whose whole name equals FindN's text, ignoring case, and focuses the
  // grid. No match changes nothing and says nothing.
  void FindClick();

  // --- In-place editing and the grid's own keyboard commands (the window binds these).
  // A name holding "=" throws AppError(kKeyMayNotContainEquals) and keeps the old name. A line
  // break typed or pasted into a cell becomes a blank. Editing the empty line of an empty grid
  // creates the first row. Other lines outside the rows are ignored. Setting a cell to the text
  // it holds changes nothing.
  void SetName(int line, const std::string& name);
  void SetPhone(int line, const std::string& phone);
  // Appends an empty row at the end and selects it.
  void AppendRow();
  // Deletes the row at `line` (also the transfer's and the file loader's "delete the row at a
  // line"); a line that holds no row changes nothing. The selection stays on a shown line.
  void DeleteRow(int line);

  // --- Operations for the transfer sequences and the parameter files.
  // Grid lines counted with the title line: at least 2, since an empty grid shows one empty line.
  int LineCount() const;
  int RowCount() const;
  // Name and phone of a grid line; empty for a line that holds no row.
  std::string Name(int line) const;
  std::string Phone(int line) const;
  // The row text of a grid line as held ("name=phone", or a line without "="); empty when none.
  std::string RowText(int line) const;
  // The row texts, in grid order.
  const std::vector<std::string>& rows() const;
  // Removes all rows.
  void Clear();
  // The rows become the single row name=phone.
  void ReplaceWithRow(std::string_view name, std::string_view phone);
  // Appends the row name=phone at the end.
  void AppendRow(std::string_view name, std::string_view phone);
  // Every line of `text` becomes one row, as it stands (see SplitTextLines).
  void SetText(std::string_view text);
  // Replaces the rows by these row texts.
  void SetRows(std::vector<std::string> rows);
  // The whole list, each row followed by CR LF; empty with no rows.
  std::string Text() const;
  // The grid line of the first row whose whole name equals `name`, ignoring case by the user's
  // code page. Rows without "=" never match.
  std::optional<int> FindName(std::string_view name) const;

 private:
  Grid& grid() const { return grid_; }
  // Keeps the selection on a shown line after the rows changed, and tells the view.
  void Changed();
  Grid& grid_;
  Edit& find_;
};

}  // namespace vrkt
