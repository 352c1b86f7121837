#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "link/sim_limits.h"

// Whether a phone book row can be stored on the unit's SIM. Everything that puts rows on their
// way to the SIM (the write to the unit, an import from a file) asks here, so that they all agree
// on what a SIM takes.
namespace vrkt {

// The reasons why one phone book row (name and number as 8-bit text in the active code page)
// cannot be stored on the SIM of the running variant; empty when it can. Each reason is a short
// phrase such as "name has 22 characters, this SIM takes 16". A row with an empty name or an
// empty number has no reasons here: the write to the unit skips such rows, and callers that
// must refuse them say so themselves.
std::vector<std::string> RowProblems(std::string_view name, std::string_view number,
                                     const Variant& variant, const SimLimits& limits);

// The same checks for one field each, for a caller that has the field's text in another form
// (RowProblems is the number's, then the name's).
std::vector<std::string> NumberProblems(std::string_view number, const SimLimits& limits);
std::vector<std::string> NameProblems(std::string_view name, const Variant& variant,
                                      const SimLimits& limits);

// One line for a message: "row 31 'Technical support desk': name has 22 characters, this SIM
// takes 16". The name is shown with control bytes made visible.
std::string DescribeRowProblems(int row, std::string_view name,
                                const std::vector<std::string>& problems);
// The same with another word for the row ("card 3").
std::string DescribeRowProblems(std::string_view where, std::string_view name,
                                const std::vector<std::string>& problems);

// Whether a phone book row may not have this name: it is one that the unit's settings or a
// parameter file's keys use (PARVRKT, PARAMVRKT, MASTER1, PORTCLOSE2, VER, ...), of either family,
// in any letter case. A row of such a name would be taken for the setting by the unit or by the
// next load of the file. The import and the grid refuse them; the write to the unit refuses
// only those it would take in the running family (NameProblems).
bool IsReservedRowName(std::string_view name);
// "PARAMVRKT is a name the unit or a parameter file uses for a setting".
std::string ReservedRowNameProblem(std::string_view name);

// "a, b and c", for the lists in these messages.
std::string JoinWithAnd(const std::vector<std::string>& parts);

}  // namespace vrkt
