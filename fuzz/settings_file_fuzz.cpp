// The settings file: any bytes, read as the program reads them at start-up (captions and
// tooltips applied to the window) and written back as at exit.
//  - Reading and writing nothing gives the bytes back unchanged.
//  - Every line the exit does not write (other sections, comments, unknown keys, repeated keys
//    and sections) stays byte for byte, in its order.
//  - The written file reads back to the same captions and tooltips, and writing it again changes
//    nothing.
//
// Input: the file's bytes.
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/program.h"
#include "app/texts.h"
#include "base/profile.h"
#include "fuzz_support.h"
#include "support/harness.h"

namespace vrkt::fuzz {
namespace {

struct Line {
  std::string text;
  std::string end;
};

std::vector<Line> LinesOf(std::string_view bytes) {
  std::vector<Line> out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    if (nl == std::string_view::npos) {
      out.push_back({std::string(bytes.substr(pos)), ""});
      break;
    }
    size_t text_end = nl > pos && bytes[nl - 1] == '\r' ? nl - 1 : nl;
    out.push_back({std::string(bytes.substr(pos, text_end - pos)),
                   std::string(bytes.substr(text_end, nl + 1 - text_end))});
    pos = nl + 1;
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The section a header line opens ("" for no header), as a profile reader sees it.
std::optional<std::string> HeaderOf(const Line& line, size_t index) {
  std::string_view t = line.text;
  if (index == 0 && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
  t = Trim(t);
  if (t.empty() || t.front() != '[') return std::nullopt;
  t.remove_prefix(1);
  t = t.substr(0, t.find(']'));
  return Folded(Trim(t));
}

// The lines of `bytes` that writing the keys in `written` ({section, key}, folded) may change:
// the first line of each written key within the first section of its name.
std::set<size_t> WritableLines(const std::vector<Line>& lines,
                               const std::set<std::pair<std::string, std::string>>& written) {
  std::set<size_t> out;
  std::set<std::string> sections_seen;
  std::set<std::pair<std::string, std::string>> keys_seen;
  std::string section;
  bool first_of_name = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto header = HeaderOf(lines[i], i)) {
      section = *header;
      first_of_name = sections_seen.insert(section).second;
      continue;
    }
    std::string_view t = lines[i].text;
    if (i == 0 && t.substr(0, 3) == "\xEF\xBB\xBF") t.remove_prefix(3);
    if (!first_of_name || Trim(t).empty() || Trim(t).front() == ';') continue;
    size_t eq = lines[i].text.find('=');
    if (eq == std::string::npos) continue;
    std::pair<std::string, std::string> key{
        section, Folded(Trim(std::string_view(lines[i].text).substr(0, eq)))};
    if (written.count(key) && keys_seen.insert(key).second) out.insert(i);
  }
  return out;
}

// Captions and tooltips of every control, and the two captions kept apart.
std::vector<std::string> Texts(Program& p) {
  std::vector<std::string> out;
  for (Control* c : p.form.controls()) {
    out.push_back(c->caption());
    out.push_back(c->tooltip());
  }
  out.push_back(p.settings.OperatorCaption);
  out.push_back(p.settings.BoardVoltageCaption);
  out.push_back(p.settings.Language);
  out.push_back(p.form.PhoneBook1.name_title());
  out.push_back(p.form.PhoneBook1.value_title());
  return out;
}

// What the exit writes: Top and Left, then every caption and tooltip.
void WriteExit(Program& p, ProfileFile& profile) {
  profile.WriteInteger("Form", "Top", p.form.top);
  profile.WriteInteger("Form", "Left", p.form.left);
  WriteInterfaceTexts(p, profile);
}

}  // namespace
}  // namespace vrkt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  static const std::set<std::pair<std::string, std::string>> written = [] {
    testing::Harness h;
    ProfileFile empty("");
    WriteExit(*h.program, empty);
    std::set<std::pair<std::string, std::string>> keys;
    std::string section;
    for (const Line& l : LinesOf(empty.Bytes())) {
      if (auto header = HeaderOf(l, 1))
        section = *header;
      else if (size_t eq = l.text.find('='); eq != std::string::npos)
        keys.insert({section, Folded(l.text.substr(0, eq))});
    }
    return keys;
  }();

  ProfileFile profile("");
  profile.Parse(bytes);
  FUZZ_CHECK(profile.Bytes() == bytes, "reading changed the bytes: " + Quoted(profile.Bytes()));

  testing::Harness first;
  ApplyInterfaceTexts(*first.program, profile);
  WriteExit(*first.program, profile);
  const std::string out = profile.Bytes();

  // Lines the exit had no business with are all there, unchanged and in order; only a last line
  // without a line end may have got one when a key was added after it (and a carriage return it
  // ended in then belongs to that line end).
  const std::vector<Line> before = LinesOf(bytes), after = LinesOf(out);
  const std::set<size_t> writable = WritableLines(before, written);
  auto kept = [&](const Line& was, const Line& now, bool last) {
    if (!last) return now.text == was.text && now.end == was.end;
    return (now.text + now.end).compare(0, was.text.size(), was.text) == 0;
  };
  size_t j = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    if (writable.count(i)) continue;
    const bool last = i + 1 == before.size() && before[i].end.empty();
    while (j < after.size() && !kept(before[i], after[j], last)) ++j;
    FUZZ_CHECK(j < after.size(), "line " + std::to_string(i + 1) + " " + Quoted(before[i].text) +
                                     " is gone or moved after writing:\n" + Quoted(out));
    ++j;
  }

  ProfileFile again("");
  again.Parse(out);
  testing::Harness second;
  ApplyInterfaceTexts(*second.program, again);
  FUZZ_CHECK(Texts(*first.program) == Texts(*second.program),
             "the written file reads back to other texts:\n" + Quoted(out));
  WriteExit(*second.program, again);
  FUZZ_CHECK(again.Bytes() == out, "writing the same texts again changed the file:\n" +
                                       Quoted(out) + "\n" + Quoted(again.Bytes()));
  return 0;
}
