#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "params/held_values.h"
#include "ui/dialogs.h"

namespace vrkt {

class Form1;
class PhoneBookEditor;

// What a parameter file is made of and loaded into: the window's settings, the held values of
// the compound settings, and the phone book; the variant picks the keys.
struct ParameterSet {
  Form1& form;
  const Variant& variant;
  HeldValues& held;
  PhoneBookEditor& phonebook;
  Dialogs& dialogs;
};

// Parameter files (.vrk, .dvg): the window's whole configuration as "KEY=value" lines, each
// ending in CR LF, then the phone book rows. Keys are the entry names, except that the PARVRKT
// value is stored as "PARAMVRKT" and the PARRL1 value as "PARAMRL1".
//
// The functions below carry the whole logic without dialogs, so the command-line front end
// shares it with the window's buttons. All of them throw AppError with a text fit for the user.

// The dialog's filter and default extension for the running variant ("vrk" or "dvg").
FileDialogOptions ParameterFileDialog(const Variant& variant);

// The held values a save writes: the held values brought up to date from the controls when every
// list of the settings model has a selection (so edits made since the last read are not lost),
// otherwise the held values as they stand. Changes nothing.
HeldValues HeldValuesForSave(const ParameterSet& p);

// The file's bytes for the window as it stands and the given held values: the key lines in the
// variant's order ("VOLTAGE=" only when VoltInt is not "00"), then every phone book row.
std::string BuildParameterFile(const ParameterSet& p, const HeldValues& held);
// The same with HeldValuesForSave(p).
std::string BuildParameterFile(const ParameterSet& p);

// Saves to `path`: builds the file with HeldValuesForSave, writes it so that a failed write
// leaves any old file intact, and only then keeps those held values. Failure: "Cannot create
// file "<path>". <reason>", and nothing changes.
void SaveParameterFile(const ParameterSet& p, const std::string& path);

// Loads file bytes into the window: every line (ending at CR, LF or CR LF) becomes a phone book
// row, then the running variant's keys are taken out of the book in a fixed order, each from the
// first row whose name equals the key without regard to case. A phone number key sets its
// control's text (so its field rule runs); a compound key replaces its held value and runs
// DecodeEntryValues; "VOLTAGE" is split at its first "*" into VoltInt and VoltFr, and a file with
// both compound keys but no "VOLTAGE" (as saved with VoltInt "00") sets VoltInt to "00". Every
// other row stays in the book in file order, keys of the other variant and second rows of a key
// included. If a decode fails, the held value keeps what it was (TakeHeldValue), the keys taken
// before it are out of the book and the rest stay.
void LoadParameterText(const ParameterSet& p, std::string_view bytes);

// For each line of a parameter file (as SplitTextLines cuts it), whether a load in `variant`
// takes it as one of the window's settings; every other line is a phone book row. Lets a file's
// phone book be changed without touching the rest of it.
std::vector<bool> SettingsLines(const std::vector<std::string>& lines, const Variant& variant);

// Reads `path` and loads it. A file that cannot be read throws "Cannot open file "<path>".
// <reason>" before anything changes. A file that is not a parameter file (it holds a byte that
// no text file holds, or none of the keys the running variant takes) would turn into hundreds
// of phone book rows: it is loaded only when the user says so. Returns whether it was loaded.
bool LoadParameterFile(const ParameterSet& p, const std::string& path);

// The window's title names the parameter file just loaded or saved ("VRKTset - lift3.vrk"), and
// the Monitor notes its whole path.
void ShowParameterFileName(const ParameterSet& p, const std::string& path);

// The question asked before such a file is loaded; `lines` is the number of rows it would give.
std::string NotParameterFileQuestion(const std::string& path, bool binary, size_t lines);

// The button handlers of the PC group and of the Monitor's "Save Log".
class PcFiles {
 public:
  explicit PcFiles(ParameterSet set) : p_(set) {}
  void SaveClick();
  void LoadClick();
  void SaveMonitorClick();

 private:
  ParameterSet p_;
};

}  // namespace vrkt
