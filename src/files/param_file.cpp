#include "files/param_file.h"

#include <algorithm>
#include <vector>

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/variant.h"
#include "files/monitor_log.h"
#include "params/mapping.h"
#include "phonebook/name_fold.h"
#include "phonebook/phonebook.h"
#include "ui/form.h"

namespace vrkt {

namespace {

constexpr char kCannotCreate[] = "Cannot create file \"%s\". %s";
constexpr char kCannotOpen[] = "Cannot open file \"%s\". %s";

// A key of the file and where its value goes when loading.
struct KeyTarget {
  const char* key;
  Edit* edit = nullptr;                     // a phone number control
  std::string HeldValues::*held = nullptr;  // a compound value, decoded after it is taken
  bool voltage = false;                     // split into VoltInt and VoltFr
};

// The port number keys of the variant, in file order, with their controls.
std::vector<KeyTarget> PortKeys(Form1& f, const Variant& v) {
  if (v.IsVrkt()) return {{"PORTCLOSE", &f.ALARMON}, {"PORTOPEN", &f.ALARMOFF}};
  return {{"PORTCLOSE1", &f.PORTCLOSE1}, {"PORTOPEN1", &f.PORTOPEN1},
          {"PORTCLOSE2", &f.PORTCLOSE2}, {"PORTOPEN2", &f.PORTOPEN2},
          {"PORTCLOSE3", &f.PORTCLOSE3}, {"PORTOPEN3", &f.PORTOPEN3}};
}

std::vector<KeyTarget> NumberKeys(Form1& f, const Variant& v) {
  static constexpr const char* kMasters[] = {"MASTER1", "MASTER2", "MASTER3", "MASTER4",
                                             "MASTER5", "MASTER6", "MASTER7"};
  static constexpr const char* kTests[] = {"TEST1", "TEST2", "TEST3", "TEST4",
                                           "TEST5", "TEST6", "TEST7", "TEST8"};
  std::vector<KeyTarget> keys;
  auto masters = f.Masters();
  for (size_t i = 0; i < masters.size(); ++i) keys.push_back({kMasters[i], masters[i]});
  auto tests = f.Tests();
  for (size_t i = 0; i < tests.size(); ++i) keys.push_back({kTests[i], tests[i]});
  for (const KeyTarget& k : PortKeys(f, v)) keys.push_back(k);
  return keys;
}

// The keys a load takes, in the order it takes them. TINPUTS and SDATA are taken in both
// variants, so a file of the other variant still sets them.
std::vector<KeyTarget> LoadKeys(Form1& f, const Variant& v) {
  std::vector<KeyTarget> keys = NumberKeys(f, v);
  keys.push_back({"PARAMVRKT", nullptr, &HeldValues::PARVRKT});
  keys.push_back({"PARAMRL1", nullptr, &HeldValues::PARRL1});
  keys.push_back({"TINPUTS", nullptr, &HeldValues::TINPUTS});
  keys.push_back({"SDATA", nullptr, &HeldValues::SDATA});
  keys.push_back({"VOLTAGE", nullptr, nullptr, true});
  return keys;
}

void AppendLine(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(value).append("\r\n");
}

// For each key, the index of the first row whose name equals it without regard to case, found
// in one pass over the rows. Only the first few bytes of a row are looked at, so long rows cost
// nothing extra.
std::vector<std::optional<size_t>> FindKeyRows(const std::vector<std::string>& rows,
                                               const std::vector<KeyTarget>& keys) {
  const NameFolder& folder = ActiveNameFolder();
  std::vector<std::optional<size_t>> found(keys.size());
  size_t longest = 0;
  for (const KeyTarget& k : keys) longest = std::max(longest, std::string_view(k.key).size());
  size_t missing = keys.size();
  for (size_t i = 0; i < rows.size() && missing > 0; ++i) {
    std::string_view head = std::string_view(rows[i]).substr(0, longest + 1);
    size_t eq = head.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view name = head.substr(0, eq);
    for (size_t k = 0; k < keys.size(); ++k) {
      if (found[k] || !folder.Equal(name, keys[k].key)) continue;
      found[k] = i;
      --missing;
      break;
    }
  }
  return found;
}

void ApplyValue(const ParameterSet& p, const KeyTarget& k, const std::string& value) {
  Form1& f = p.form;
  if (k.edit) {
    k.edit->SetText(value);
  } else if (k.held) {
    TakeHeldValue(f, p.held, p.held.*k.held, value);
  } else if (k.voltage) {
    p.held.VOLTAGE = value;
    size_t star = value.find('*');
    if (star == std::string::npos) {
      f.VoltInt.SetText("");
      f.VoltFr.SetText(value);
    } else {
      f.VoltInt.SetText(value.substr(0, star));
      f.VoltFr.SetText(value.substr(star + 1));
    }
  }
}

// Control bytes that text files hold: tab, line and page ends, Ctrl-Z (the end mark of old text
// files) and escape (colours in logs). Any other byte below 32 means binary data.
bool IsBinary(std::string_view bytes) {
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 32 && !(b >= 9 && b <= 13) && b != 26 && b != 27) return true;
  }
  return false;
}

// The rows of a file and the rows of the keys in it.
struct ParsedFile {
  std::vector<std::string> rows;
  std::vector<KeyTarget> keys;
  std::vector<std::optional<size_t>> found;
};

ParsedFile Parse(const ParameterSet& p, std::string_view bytes) {
  // Editors that save as UTF-8 put a byte-order mark first; it is no part of the first key.
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) bytes.remove_prefix(kUtf8Mark.size());
  ParsedFile f;
  f.rows = SplitTextLines(bytes);
  f.keys = LoadKeys(p.form, p.variant);
  f.found = FindKeyRows(f.rows, f.keys);
  return f;
}

void LoadParsed(const ParameterSet& p, ParsedFile file) {
  std::vector<std::string>& rows = file.rows;
  const std::vector<KeyTarget>& keys = file.keys;
  const std::vector<std::optional<size_t>>& found = file.found;

  // Nothing reads the book while the values are taken, so the book is set once at the end, with
  // the taken rows left out, even when a decode fails part way: the keys not reached yet then
  // stay in the book.
  std::vector<bool> taken(rows.size(), false);
  auto set_book = [&] {
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (taken[i]) continue;
      if (kept != i) rows[kept] = std::move(rows[i]);
      ++kept;
    }
    rows.resize(kept);
    p.phonebook.SetRows(std::move(rows));
  };
  try {
    for (size_t k = 0; k < keys.size(); ++k) {
      if (!found[k]) continue;
      ApplyValue(p, keys[k], std::string(RowPhone(rows[*found[k]])));
      taken[*found[k]] = true;
    }
  } catch (...) {
    set_book();
    throw;
  }
  set_book();
  // A saved file always carries the compound keys and leaves "VOLTAGE=" out only when the
  // low-voltage monitor was off ("00"). Loading it must switch the monitor off again; keeping
  // what the window showed would write a threshold the file never had.
  auto has = [&](std::string_view key) {
    for (size_t k = 0; k < keys.size(); ++k)
      if (keys[k].key == key) return found[k].has_value();
    return false;
  };
  if (has("PARAMVRKT") && has("PARAMRL1") && !has("VOLTAGE")) p.form.VoltInt.SetText("00");
}

}  // namespace

FileDialogOptions ParameterFileDialog(const Variant& variant) {
  if (variant.IsDvg()) return {"DVG1C files (*.dvg)|*.dvg", "dvg", "", FileKind::kParameterFiles};
  return {"VRKT files (*.vrk)|*.vrk", "vrk", "", FileKind::kParameterFiles};
}

HeldValues HeldValuesForSave(const ParameterSet& p) {
  HeldValues held = p.held;
  if (AllListsSelected(p.form)) EncodeEntryValues(p.form, held);
  return held;
}

std::string BuildParameterFile(const ParameterSet& p, const HeldValues& held) {
  Form1& f = p.form;
  std::string out;
  for (const KeyTarget& k : NumberKeys(f, p.variant)) AppendLine(out, k.key, k.edit->text());
  AppendLine(out, "PARAMVRKT", held.PARVRKT);
  AppendLine(out, "PARAMRL1", held.PARRL1);
  if (p.variant.IsDvg()) {
    AppendLine(out, "TINPUTS", held.TINPUTS);
    AppendLine(out, "SDATA", held.SDATA);
  }
  const bool voltage = f.VoltInt.text() != "00";
  if (voltage) AppendLine(out, "VOLTAGE", f.VoltInt.text() + "*" + f.VoltFr.text());
  // A load takes the first line of each key, rows included. A key left out above would make a
  // row of the same name the key next time, and the file would not load back as it was saved:
  // such a key is written after all, ahead of the rows, with the value it stands for.
  const std::vector<std::string>& rows = f.PhoneBook1.rows();
  std::vector<KeyTarget> conditional;
  if (!p.variant.IsDvg()) {
    conditional.push_back({"TINPUTS", nullptr, &HeldValues::TINPUTS});
    conditional.push_back({"SDATA", nullptr, &HeldValues::SDATA});
  }
  if (!voltage) conditional.push_back({"VOLTAGE", nullptr, nullptr, true});
  const std::vector<std::optional<size_t>> shadowed = FindKeyRows(rows, conditional);
  for (size_t k = 0; k < conditional.size(); ++k) {
    if (!shadowed[k]) continue;
    const KeyTarget& key = conditional[k];
    AppendLine(out, key.key, key.held ? held.*key.held : f.VoltInt.text() + "*" + f.VoltFr.text());
  }
  out += p.phonebook.Text();
  return out;
}

std::string BuildParameterFile(const ParameterSet& p) {
  return BuildParameterFile(p, HeldValuesForSave(p));
}

void SaveParameterFile(const ParameterSet& p, const std::string& path) {
  HeldValues held = HeldValuesForSave(p);
  WriteFileAtomically(path, BuildParameterFile(p, held), kCannotCreate);
  p.held = held;
}

std::string NotParameterFileQuestion(const std::string& path, bool binary, size_t lines) {
  std::string q = "\"" + path + "\"";
  q += binary ? " is not a text file." : " holds none of the settings of a parameter file.";
  q += " Loading it replaces the phone book by its " + std::to_string(lines) +
       (lines == 1 ? " line." : " lines.");
  q += " Load it anyway?";
  return q;
}

void LoadParameterText(const ParameterSet& p, std::string_view bytes) {
  LoadParsed(p, Parse(p, bytes));
}

std::vector<bool> SettingsLines(const std::vector<std::string>& lines, const Variant& variant) {
  Form1 scratch;  // the key list names controls; only the key names are used here
  std::vector<bool> taken(lines.size(), false);
  for (const std::optional<size_t>& row : FindKeyRows(lines, LoadKeys(scratch, variant)))
    if (row) taken[*row] = true;
  return taken;
}

void ShowParameterFileName(const ParameterSet& p, const std::string& path) {
  const std::string name = Utf8ToCodePage(FileNameOf(path));
  p.form.Form1Window.SetCaption(p.form.application_title + " - " + name);
  p.form.Monitor.Append("Parameter file " + name + ": " + path);
}

bool LoadParameterFile(const ParameterSet& p, const std::string& path) {
  std::string bytes = ReadFileBytes(path, kCannotOpen);
  ParsedFile file = Parse(p, bytes);
  bool binary = IsBinary(bytes);
  bool no_key = std::none_of(file.found.begin(), file.found.end(),
                             [](const std::optional<size_t>& f) { return f.has_value(); });
  if ((binary || no_key) &&
      !p.dialogs.Confirm(NotParameterFileQuestion(path, binary, file.rows.size())))
    return false;
  LoadParsed(p, std::move(file));
  return true;
}

void PcFiles::SaveClick() {
  std::optional<std::string> path = p_.dialogs.SaveFile(ParameterFileDialog(p_.variant));
  if (!path) return;
  SaveParameterFile(p_, *path);
  ShowParameterFileName(p_, *path);
}

void PcFiles::LoadClick() {
  p_.form.PhoneBook1.SetSelectedLine(1);
  std::optional<std::string> path = p_.dialogs.OpenFile(ParameterFileDialog(p_.variant));
  if (!path) return;
  if (!LoadParameterFile(p_, *path)) return;
  ShowParameterFileName(p_, *path);
  p_.form.StatusBar1.ShowNote("Parameter file loaded: " + Utf8ToCodePage(FileNameOf(*path)));
}

void PcFiles::SaveMonitorClick() {
  std::optional<std::string> path = p_.dialogs.SaveFile(MonitorLogDialog());
  if (!path) return;
  SaveMonitorLog(p_.form.Monitor, *path);
}

}  // namespace vrkt
