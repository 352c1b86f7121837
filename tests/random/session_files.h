#pragma once

#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vrkt::testing {

// The files a session's user has at hand: loader lists with the scripts and files they name, and
// parameter files written by another installation (one of them awkward).
struct SessionFiles {
  std::vector<std::string> loader_lists;     // kLoaderLists paths
  std::vector<std::string> parameter_files;  // kPreparedParameterFiles paths
  // Lines of the loader lists that go to the unit as they stand.
  std::set<std::string> free_commands;
};

// Writes them into `dir`; `program` as in UnitSpec.
SessionFiles PrepareSessionFiles(const TempDir& dir, int program);

}  // namespace vrkt::testing
