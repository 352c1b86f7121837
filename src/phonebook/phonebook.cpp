#include "phonebook/phonebook.h"

#include <algorithm>

#include "base/error.h"
#include "phonebook/name_fold.h"
#include "phonebook/row_check.h"
#include "ui/controls.h"

namespace vrkt {

std::string_view RowName(std::string_view row) {
  size_t eq = row.find('=');
  return eq == std::string_view::npos ? std::string_view() : row.substr(0, eq);
}

std::string_view RowPhone(std::string_view row) {
  size_t eq = row.find('=');
  return eq == std::string_view::npos ? row : row.substr(eq + 1);
}

std::string MakeRow(std::string_view name, std::string_view phone) {
  std::string row;
  row.reserve(name.size() + 1 + phone.size());
  row.append(name).append("=").append(phone);
  return row;
}

std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out += ' ';
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

const std::vector<std::string>& PhoneBookEditor::rows() const { return grid_.rows(); }

void PhoneBookEditor::Changed() {
  Grid& g = grid();
  int last = std::max(1, static_cast<int>(g.rows().size()));
  g.SetSelectedLine(std::clamp(g.selected_line(), 1, last));
  g.RowsChanged();
}

void PhoneBookEditor::LineInClick() {
  Grid& g = grid();
  std::vector<std::string>& rows = g.mutable_rows();
  int n = static_cast<int>(rows.size());
  int index = g.selected_line() - 1;
  // The user goes on by typing the new row's name: that cell takes the keyboard.
  g.SetSelectedColumn(0);
  if (index >= 0 && index < n && RowName(rows[index]).empty() && RowPhone(rows[index]).empty()) {
    g.RequestFocus();
    return;
  }
  index = std::clamp(index, 0, n);
  rows.insert(rows.begin() + index, "=");
  g.SetSelectedLine(index + 1);
  Changed();
  g.RequestFocus();
}

void PhoneBookEditor::LineDelClick() {
  Grid& g = grid();
  int line = g.selected_line();
  int n = RowCount();
  if (line < 1 || line > n) return;
  if (line == n && n > 1) g.SetSelectedLine(line - 1);
  DeleteRow(line);
}

void PhoneBookEditor::FindClick() {
  std::optional<int> line = FindName(find_.text());
  if (!line) return;
  grid().SetSelectedLine(*line);
  grid().SetSelectedColumn(0);
  grid().RequestFocus();
}

void PhoneBookEditor::SetName(int line, const std::string& typed) {
  if (typed.find('=') != std::string::npos) throw AppError(kKeyMayNotContainEquals);
  const std::string name = OneLine(typed);
  std::vector<std::string>& rows = grid().mutable_rows();
  // A row of a setting's name would be taken for the setting by the unit or the next load.
  auto refuse_reserved = [&] {
    if (IsReservedRowName(name))
      throw AppError(ReservedRowNameProblem(name) + "; a phone book row cannot have it.");
  };
  if (rows.empty() && line == 1) {
    if (name.empty()) return;
    refuse_reserved();
    rows.push_back(MakeRow(name, {}));
    Changed();
    return;
  }
  if (line < 1 || line > static_cast<int>(rows.size())) return;
  std::string& row = rows[line - 1];
  if (RowName(row) == name) return;
  refuse_reserved();
  row = MakeRow(name, RowPhone(row));
  Changed();
}

void PhoneBookEditor::SetPhone(int line, const std::string& typed) {
  const std::string phone = OneLine(typed);
  std::vector<std::string>& rows = grid().mutable_rows();
  if (rows.empty() && line == 1) {
    if (phone.empty()) return;
    rows.push_back(MakeRow({}, phone));
    Changed();
    return;
  }
  if (line < 1 || line > static_cast<int>(rows.size())) return;
  std::string& row = rows[line - 1];
  if (RowPhone(row) == phone) return;
  row = MakeRow(RowName(row), phone);
  Changed();
}

void PhoneBookEditor::AppendRow() {
  grid().mutable_rows().push_back("=");
  grid().SetSelectedLine(RowCount());
  Changed();
}

void PhoneBookEditor::DeleteRow(int line) {
  std::vector<std::string>& rows = grid().mutable_rows();
  if (line < 1 || line > static_cast<int>(rows.size())) return;
  rows.erase(rows.begin() + (line - 1));
  Changed();
}

int PhoneBookEditor::LineCount() const { return 1 + std::max(1, RowCount()); }

int PhoneBookEditor::RowCount() const { return static_cast<int>(grid().rows().size()); }

std::string PhoneBookEditor::RowText(int line) const {
  const std::vector<std::string>& rows = grid().rows();
  if (line < 1 || line > static_cast<int>(rows.size())) return {};
  return rows[line - 1];
}

std::string PhoneBookEditor::Name(int line) const { return std::string(RowName(RowText(line))); }

std::string PhoneBookEditor::Phone(int line) const {
  const std::vector<std::string>& rows = grid().rows();
  if (line < 1 || line > static_cast<int>(rows.size())) return {};
  return std::string(RowPhone(rows[line - 1]));
}

void PhoneBookEditor::Clear() {
  grid().mutable_rows().clear();
  Changed();
}

void PhoneBookEditor::ReplaceWithRow(std::string_view name, std::string_view phone) {
  std::vector<std::string>& rows = grid().mutable_rows();
  rows.clear();
  rows.push_back(MakeRow(name, phone));
  Changed();
}

void PhoneBookEditor::AppendRow(std::string_view name, std::string_view phone) {
  grid().mutable_rows().push_back(MakeRow(name, phone));
  Changed();
}

void PhoneBookEditor::SetText(std::string_view text) { SetRows(SplitTextLines(text)); }

void PhoneBookEditor::SetRows(std::vector<std::string> rows) {
  grid().mutable_rows() = std::move(rows);
  Changed();
}

std::string PhoneBookEditor::Text() const {
  const std::vector<std::string>& rows = grid().rows();
  size_t size = 0;
  for (const std::string& row : rows) size += row.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& row : rows) out.append(row).append("\r\n");
  return out;
}

std::optional<int> PhoneBookEditor::FindName(std::string_view name) const {
  // A name never holds "=", so a search text with one can match nothing. Without one, a row
  // matches when its first "=" stands right after a prefix equal to the search text, which spares
  // scanning long rows to their end.
  if (name.find('=') != std::string_view::npos) return std::nullopt;
  const NameFolder& folder = ActiveNameFolder();
  const std::vector<std::string>& rows = grid().rows();
  size_t k = name.size();
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& row = rows[i];
    if (row.size() > k && row[k] == '=' && folder.Equal(std::string_view(row).substr(0, k), name))
      return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

}  // namespace vrkt
