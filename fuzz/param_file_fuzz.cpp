// The parameter file load: any bytes, loaded into the window of either variant, then saved. That
// file, loaded into a window that never saw the first one and saved again, must be the same file.
//
// Input: variant byte, then the file's bytes.
#include <cstdint>
#include <string>

#include "files/param_file.h"
#include "fuzz_support.h"
#include "support/harness.h"
#include "support/session_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  Input in(data, size);
  const char* program = ProgramName(in.Byte());
  const std::string file = in.Rest();

  testing::Harness h(program);
  h.Start();
  // A value that is no number stops the load with a message, as in the window; what was taken
  // before it stays, and that state must save and load back like any other.
  h.program->Run([&] { LoadParameterText(h.program->parameters, file); });
  const std::string saved = BuildParameterFile(h.program->parameters);
  const std::string why = testing::ReloadDifference(program, saved);
  FUZZ_CHECK(why.empty(),
             "the saved file does not load back: " + why + "\n  saved: " + Quoted(saved));
  return 0;
}
