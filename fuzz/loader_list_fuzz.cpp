// The loader list: any bytes, read as a list file in fuzzer-sized pieces, must give the lines the
// format defines however the pieces fall; the lines, sent to a unit, must run to their end (or
// their deadline), and what the unit stores must be the files they name.
//
// Input: piece size byte, then the list file's bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "loader/loader.h"
#include "support/harness.h"
#include "support/session_checks.h"

namespace vrkt::fuzz {
namespace {

// The lines of a list file by its definition: it ends at the first Ctrl-Z, every carriage return
// is dropped, a line feed ends a line, and a last line without one counts if it holds anything.
std::vector<std::string> ExpectedLines(const std::string& file) {
  std::string text = file.substr(0, file.find('\x1A'));
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

}  // namespace
}  // namespace vrkt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  WorkFolder();
  Input in(data, size);
  const size_t piece = in.Byte() % 16 + 1;
  const std::string file = in.Rest();

  ListFileLines splitter;
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < file.size() && !splitter.ended(); pos += piece)
    splitter.Feed(std::string_view(file).substr(pos, piece), lines);
  splitter.Finish(lines);
  FUZZ_CHECK(lines == ExpectedLines(file), "the list file reads as other lines: " + Quoted(file));

  // Only names in the work folder: a list line must not make the target read the machine's files.
  if (lines.size() > 6) lines.resize(6);
  for (std::string& line : lines)
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
  testing::Harness h;
  h.Start();
  h.RunFor(500);
  h.program->settings.WaitSer = 100;
  h.form().List.SetLines(lines);
  h.Click(h.form().Send);
  const bool quiet =
      h.RunUntil([&] { return testing::StillBusy(*h.program).empty(); }, 10 * 60 * 1000);
  FUZZ_CHECK(quiet, "the run does not end: " + testing::StillBusy(*h.program));
  const std::string stored = testing::StoredFilesDifference(h.unit(), ".");
  FUZZ_CHECK(stored.empty(), stored);
  return 0;
}
