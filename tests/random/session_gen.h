#pragma once

#include <rapidcheck.h>

#include <iosfwd>

#include "random/session.h"

namespace vrkt::testing {

// Random sessions: a unit of random kind and personality, then up to `max_steps` steps in which
// the user's actions and the unit's changes of behaviour interleave. Everything shrinks towards
// fewer steps, shorter waits, plainer texts and a tidier unit.
rc::Gen<UnitSpec> GenUnit();
rc::Gen<Step> GenStep();
rc::Gen<Session> GenSession(int max_steps);

// How RapidCheck prints a session: as the code of a regular test.
void showValue(const Session& session, std::ostream& os);

}  // namespace vrkt::testing
