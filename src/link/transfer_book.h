#pragma once

#include <string>
#include <string_view>

namespace vrkt {

class Grid;

// The phone book grid as the transfer sequences see it: rows "name=phone", grid line 0 the title
// line, and one empty line shown when there are no rows.
int BookLineCount(const Grid& grid);
std::string BookName(const Grid& grid, int line);
std::string BookPhone(const Grid& grid, int line);
void BookClear(Grid& grid);
void BookReplaceWithRow(Grid& grid, std::string_view name, std::string_view phone);
void BookAppendRow(Grid& grid, std::string_view name, std::string_view phone);

}  // namespace vrkt
