#pragma once

#include "cli/options.h"
#include "cli/session.h"

namespace vrkt::cli {

// "phonebook export|import FILE --file PARAMS": the phone book of a parameter file to or from a
// CSV or vCard file. Needs no unit and opens no port. Returns the exit code or throws CliFailure.
int PhoneBookFileCommand(const Options& o, CliIo& io);
// "phonebook export|import FILE --port NAME": the unit's phone book, on a started session.
int PhoneBookUnitCommand(Session& s);

}  // namespace vrkt::cli
