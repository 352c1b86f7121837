#include "link/transfer_book.h"

#include "ui/controls.h"

namespace vrkt {

namespace {
std::string RowOf(const Grid& grid, int line) {
  if (line < 1 || line > static_cast<int>(grid.rows().size())) return {};
  return grid.rows()[line - 1];
}
}  // namespace

int BookLineCount(const Grid& grid) {
  const int rows = static_cast<int>(grid.rows().size());
  return (rows == 0 ? 1 : rows) + 1;
}

std::string BookName(const Grid& grid, int line) {
  const std::string row = RowOf(grid, line);
  const size_t eq = row.find('=');
  return eq == std::string::npos ? std::string() : row.substr(0, eq);
}

std::string BookPhone(const Grid& grid, int line) {
  const std::string row = RowOf(grid, line);
  const size_t eq = row.find('=');
  return eq == std::string::npos ? row : row.substr(eq + 1);
}

void BookClear(Grid& grid) {
  grid.mutable_rows().clear();
  grid.RowsChanged();
}

void BookReplaceWithRow(Grid& grid, std::string_view name, std::string_view phone) {
  grid.mutable_rows().assign(1, std::string(name) + "=" + std::string(phone));
  grid.RowsChanged();
}

void BookAppendRow(Grid& grid, std::string_view name, std::string_view phone) {
  grid.mutable_rows().push_back(std::string(name) + "=" + std::string(phone));
  grid.RowsChanged();
}

}  // namespace vrkt
