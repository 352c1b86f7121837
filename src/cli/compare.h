#pragma once

// The command line compares what a file puts on the SIM with what the unit holds, as the window
// does after a write.
#include "files/entry_compare.h"

namespace vrkt::cli {
using vrkt::CompareEntries;
using vrkt::Difference;
using vrkt::EntriesOfParameterFile;
using vrkt::FormatDifferences;
using vrkt::UnitEntry;
}  // namespace vrkt::cli
