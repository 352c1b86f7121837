#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The window model: every control of the main window as plain data with the semantics the rules
// rely on. The Qt shell draws these; tests and the command-line front end use them directly.
//
// Semantics, once for all controls of a kind:
//  - setting an edit's text to a different text runs its change rule; the same text runs nothing;
//  - setting a check box to a different state runs its click rule, both ways;
//  - selecting a radio button deselects the others of its group silently, then runs its rule;
//    deselecting one directly runs nothing;
//  - selecting a list item from the program runs no rule; only a user pick does;
//  - rules run at once, nested, inside the change that set them off.
namespace vrkt {

class Form1;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kCyan{0, 255, 255};
inline constexpr Rgb kLime{0, 255, 0};

enum class ControlKind {
  kEdit,         // single-line text
  kCheckBox,
  kRadioButton,
  kList,         // drop-down list; editable for Rate
  kTrackBar,     // slider
  kBar,          // progress bar, gauge, voltage bar
  kLabel,
  kButton,
  kShape,        // filled circle or rectangle
  kMemo,         // multi-line text
  kGrid,         // name/value grid
  kStatusBar,
  kPage,         // a page of a page control
  kPageControl,
  kGroup,        // group box, radio group, panel
  kTimer,
};

// What changed, so a view can update only that aspect. kNote: the status bar has a short message
// to show for a moment (StatusBar::ShowNote).
enum class Aspect {
  kVisible,
  kEnabled,
  kCaption,
  kTooltip,
  kValue,
  kItems,
  kRange,
  kColor,
  kCaret,
  kNote
};

class Control {
 public:
  Control(Form1* form, std::string name, ControlKind kind, std::string caption = {});
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  Form1& form() const { return *form_; }

  bool visible() const { return visible_; }
  void SetVisible(bool v);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool e);
  // Label, button, group, page, check box and radio text.
  const std::string& caption() const { return caption_; }
  void SetCaption(const std::string& c);
  // The caption the control was created with: the English default, which is also its key in the
  // "Language" section of the settings file.
  const std::string& default_caption() const { return default_caption_; }
  const std::string& tooltip() const { return tooltip_; }
  void SetTooltip(const std::string& t);
  const std::string& default_tooltip() const { return default_tooltip_; }
  void SetDefaultTooltip(const std::string& t) {
    default_tooltip_ = t;
    tooltip_ = t;
  }

 protected:
  void Notify(Aspect a);

 private:
  Form1* form_;
  std::string name_;
  ControlKind kind_;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string default_caption_;
  std::string tooltip_;
  std::string default_tooltip_;
};

using Rule = std::function<void()>;

class Edit : public Control {
 public:
  Edit(Form1* form, std::string name) : Control(form, std::move(name), ControlKind::kEdit) {}
  const std::string& text() const { return text_; }
  // A different text runs the change rule; the same text runs nothing.
  void SetText(const std::string& t);
  // Caret position in bytes; rules put it at the end of the text.
  size_t caret() const { return caret_; }
  void SetCaret(size_t pos);
  void CaretToEnd() { SetCaret(text_.size()); }
  Rule on_change;

 private:
  std::string text_;
  size_t caret_ = 0;
};

class CheckBox : public Control {
 public:
  CheckBox(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kCheckBox, std::move(caption)) {}
  bool checked() const { return checked_; }
  // A different state runs the click rule, in both directions.
  void SetChecked(bool c);
  Rule on_click;

 private:
  bool checked_ = false;
};

class RadioGroup;

class RadioButton : public Control {
 public:
  RadioButton(Form1* form, std::string name, std::string caption, RadioGroup* group);
  bool selected() const { return selected_; }
  // Deselects the others of the group silently, then runs this button's rule. Selecting the
  // button that is already selected runs nothing.
  void Select();
  // Runs no rule.
  void Deselect();
  Rule on_select;

 private:
  friend class RadioGroup;
  void SetSelectedSilently(bool s);
  RadioGroup* group_;
  bool selected_ = false;
};

class RadioGroup : public Control {
 public:
  RadioGroup(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kGroup, std::move(caption)) {}
  const std::vector<RadioButton*>& buttons() const { return buttons_; }
  RadioButton* Selected() const;

 private:
  friend class RadioButton;
  std::vector<RadioButton*> buttons_;
};

class ListControl : public Control {
 public:
  ListControl(Form1* form, std::string name, std::vector<std::string> items, bool editable = false)
      : Control(form, std::move(name), ControlKind::kList),
        items_(std::move(items)),
        editable_(editable) {}
  const std::vector<std::string>& items() const { return items_; }
  bool editable() const { return editable_; }
  int item_index() const { return index_; }
  bool HasSelection() const { return index_ >= 0; }
  // Selecting from the program runs no rule. An index outside the list selects nothing.
  void SetItemIndex(int i);
  // Selects the first item with exactly this text, or nothing. Runs no rule.
  bool SelectText(const std::string& t);
  // The user picked item i: selects it and runs the pick rule.
  void UserPick(int i);
  // The control's value: the selected item's text, or for an editable list the text in its box
  // (typed, or set by SetText), which need not be an item.
  const std::string& text() const { return text_; }
  // Editable lists only: sets the box's text; the selection follows the item of that text, if any.
  void SetText(const std::string& t);
  Rule on_pick;

 private:
  std::vector<std::string> items_;
  bool editable_;
  int index_ = -1;
  std::string text_;
};

class TrackBar : public Control {
 public:
  TrackBar(Form1* form, std::string name, int min, int max, int pos)
      : Control(form, std::move(name), ControlKind::kTrackBar), min_(min), max_(max), pos_(pos) {}
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return pos_; }
  // A position outside the range is kept at the nearer end.
  void SetPosition(int p);

 private:
  int min_, max_, pos_;
};

// Progress bar, gauge or voltage bar: a position limited to [min, max], and a bar colour.
class Bar : public Control {
 public:
  Bar(Form1* form, std::string name, int min, int max, int pos)
      : Control(form, std::move(name), ControlKind::kBar), min_(min), max_(max), pos_(pos) {}
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return pos_; }
  void SetPosition(int p);  // limited to [min, max]
  void SetMin(int m);
  void SetMax(int m);
  Rgb color() const { return color_; }
  void SetColor(Rgb c);

 private:
  int min_, max_, pos_;
  Rgb color_{0, 0, 255};
};

class Label : public Control {
 public:
  Label(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kLabel, std::move(caption)) {}
  Rule on_click;  // clickable labels (Voltage, Power)
};

class Button : public Control {
 public:
  Button(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kButton, std::move(caption)) {}
  // Latching picture buttons (RunGDI, StopGDI): whether the button is held down.
  bool down() const { return down_; }
  void SetDown(bool d);
  Rule on_click;

 private:
  bool down_ = false;
};

class Shape : public Control {
 public:
  Shape(Form1* form, std::string name, Rgb color)
      : Control(form, std::move(name), ControlKind::kShape), color_(color) {}
  Rgb color() const { return color_; }
  void SetColor(Rgb c);

 private:
  Rgb color_;
};

// Multi-line text. The Monitor only grows (Append); the loader list is edited by the user.
class Memo : public Control {
 public:
  Memo(Form1* form, std::string name) : Control(form, std::move(name), ControlKind::kMemo) {}
  const std::vector<std::string>& lines() const { return lines_; }
  size_t LineCount() const { return lines_.size(); }
  void Append(std::string line);
  void Clear();
  // Replaces the whole text; a line end after the last line adds no empty line.
  void SetText(const std::string& text);
  std::string Text() const;  // lines joined by "\r\n"
  void SetLines(std::vector<std::string> lines);
  // Index of the first line added since the view last caught up; views use this to append only
  // what is new.
  size_t generation() const { return generation_; }

 private:
  std::vector<std::string> lines_;
  size_t generation_ = 0;
};

// The two-column name and value grid. Rows are held as "name=phone" texts; see the phone book
// editor for the operations on them.
class Grid : public Control {
 public:
  Grid(Form1* form, std::string name) : Control(form, std::move(name), ControlKind::kGrid) {}
  const std::vector<std::string>& rows() const { return rows_; }
  std::vector<std::string>& mutable_rows() { return rows_; }
  // Call after changing rows through mutable_rows().
  void RowsChanged() { Notify(Aspect::kValue); }
  // Selected grid line: 1 is the first data line (0 is the title line).
  int selected_line() const { return selected_line_; }
  void SetSelectedLine(int line);
  // Column of the selected cell: 0 the name, 1 the phone.
  int selected_column() const { return selected_column_; }
  void SetSelectedColumn(int column);
  const std::string& name_title() const { return name_title_; }
  const std::string& value_title() const { return value_title_; }
  void SetTitles(const std::string& name_title, const std::string& value_title);
  // Asks the view to give the grid the keyboard focus and show the selected line.
  void RequestFocus() { Notify(Aspect::kCaret); }

 private:
  std::vector<std::string> rows_;
  int selected_line_ = 1;
  int selected_column_ = 0;
  std::string name_title_ = "Name";
  std::string value_title_ = "Phone";
};

class StatusBar : public Control {
 public:
  StatusBar(Form1* form, std::string name, std::vector<int> widths, std::vector<std::string> texts)
      : Control(form, std::move(name), ControlKind::kStatusBar),
        widths_(std::move(widths)),
        texts_(std::move(texts)) {}
  const std::vector<int>& widths() const { return widths_; }
  const std::string& panel(size_t i) const { return texts_.at(i); }
  void SetPanel(size_t i, const std::string& text);
  size_t panel_count() const { return texts_.size(); }
  // A short message that the window shows over the first panel for a few seconds; the panels
  // keep their texts. The last note stays readable here.
  const std::string& note() const { return note_; }
  void ShowNote(const std::string& text);

 private:
  std::vector<int> widths_;
  std::vector<std::string> texts_;
  std::string note_;
};

class Page : public Control {
 public:
  Page(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kPage, std::move(caption)) {}
};

class PageControl : public Control {
 public:
  PageControl(Form1* form, std::string name) : Control(form, std::move(name), ControlKind::kPageControl) {}
  int active_page() const { return active_; }
  void SetActivePage(int i);

 private:
  int active_ = 0;
};

class Group : public Control {
 public:
  Group(Form1* form, std::string name, std::string caption)
      : Control(form, std::move(name), ControlKind::kGroup, std::move(caption)) {}
};

// A timer of the window: enabled state and interval live here; whoever runs the event loop
// ticks it (the Qt shell with real time, tests with virtual time).
class Timer : public Control {
 public:
  Timer(Form1* form, std::string name, int interval_ms, bool enabled);
  bool is_enabled() const { return enabled(); }
  // Switching on a timer that is already on does not restart it.
  void SetOn(bool on);
  int interval() const { return interval_; }
  // Changing the interval of a running timer restarts its period.
  void SetInterval(int ms);
  // Milliseconds (on the form's clock) at which the next tick is due; meaningful while on.
  int64_t due_ms() const { return due_ms_; }
  // Called by the event loop at a tick: schedules the next period and runs on_timer.
  void Fire();
  // Restarts the period from now (used when a loop first learns the clock).
  void Restart();
  Rule on_timer;

 private:
  int interval_;
  int64_t due_ms_ = 0;
};

}  // namespace vrkt
