// Random sessions: the whole program against a simulated unit of random personality, driven by
// random user actions and unit faults, with the invariants checked after every step.
//
// CI runs a fixed seed and a bounded number of cases. scripts/soak runs many more with fresh
// seeds; VRKT_SESSION_SEED, VRKT_SESSION_CASES and VRKT_SESSION_STEPS set them, and
// VRKT_INVARIANTS (say "all,-rows") chooses the invariants checked.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "random/session_gen.h"
#include "random/session_runner.h"

namespace vrkt::testing {
namespace {

constexpr uint64_t kCiSeed = 20240611;
constexpr int kCiCases = 2000;
constexpr int kMaxSteps = 40;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

TEST(RandomSessionTest, InvariantsHoldInEverySession) {
  rc::detail::TestParams params;
  params.seed = EnvNumber("VRKT_SESSION_SEED", kCiSeed);
  params.maxSuccess = static_cast<int>(EnvNumber("VRKT_SESSION_CASES", kCiCases));
  params.maxSize = 100;
  const int steps = static_cast<int>(EnvNumber("VRKT_SESSION_STEPS", kMaxSteps));
  const Invariants checks = Invariants::Chosen();

  SessionStats total;
  int sessions = 0;
  rc::detail::TestMetadata metadata;
  metadata.id = metadata.description = "random sessions";
  const auto result = rc::detail::checkTestable(
      [&] {
        const Session session = *GenSession(steps);
        const SessionResult r = RunSession(session, checks);
        ++sessions;
        total.steps_offered += r.stats.steps_offered;
        total.writes_ok += r.stats.writes_ok;
        total.writes_stopped += r.stats.writes_stopped;
        total.files_saved += r.stats.files_saved;
        total.files_loaded += r.stats.files_loaded;
        total.uploads += r.stats.uploads;
        total.commands += r.stats.commands;
        if (!r.failure.empty()) RC_FAIL(r.failure + "\n\n" + r.transcript);
      },
      metadata, params);
  std::cout << sessions << " sessions (" << checks.Names() << "): " << total.steps_offered
            << " user steps taken, " << total.commands << " commands, " << total.writes_ok
            << " writes ended well and " << total.writes_stopped << " stopped, "
            << total.files_saved << " files saved, " << total.files_loaded << " loaded, "
            << total.uploads << " uploads stored\n";
  if (!result.template is<rc::detail::SuccessResult>()) {
    std::ostringstream out;
    rc::detail::printResultMessage(result, out);
    FAIL() << "seed " << params.seed << ": " << out.str();
  }
}

}  // namespace
}  // namespace vrkt::testing
