#include "ui/controls.h"

#include <algorithm>

#include "base/clock.h"
#include "ui/form.h"

namespace vrkt {

Control::Control(Form1* form, std::string name, ControlKind kind, std::string caption)
    : form_(form),
      name_(std::move(name)),
      kind_(kind),
      caption_(caption),
      default_caption_(std::move(caption)) {
  form_->Register(this);
}

void Control::Notify(Aspect a) { form_->Notify(*this, a); }

void Control::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Notify(Aspect::kVisible);
}

void Control::SetEnabled(bool e) {
  if (enabled_ == e) return;
  enabled_ = e;
  Notify(Aspect::kEnabled);
}

void Control::SetCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  Notify(Aspect::kCaption);
}

void Control::SetTooltip(const std::string& t) {
  if (tooltip_ == t) return;
  tooltip_ = t;
  Notify(Aspect::kTooltip);
}

void Edit::SetText(const std::string& t) {
  if (text_ == t) return;
  text_ = t;
  if (caret_ > text_.size()) caret_ = text_.size();
  Notify(Aspect::kValue);
  if (on_change) on_change();
}

void Edit::SetCaret(size_t pos) {
  pos = std::min(pos, text_.size());
  if (caret_ == pos) return;
  caret_ = pos;
  Notify(Aspect::kCaret);
}

void CheckBox::SetChecked(bool c) {
  if (checked_ == c) return;
  checked_ = c;
  Notify(Aspect::kValue);
  if (on_click) on_click();
}

RadioButton::RadioButton(Form1* form, std::string name, std::string caption, RadioGroup* group)
    : Control(form, std::move(name), ControlKind::kRadioButton, std::move(caption)), group_(group) {
  group_->buttons_.push_back(this);
}

void RadioButton::SetSelectedSilently(bool s) {
  if (selected_ == s) return;
  selected_ = s;
  Notify(Aspect::kValue);
}

void RadioButton::Select() {
  if (selected_) return;
  for (RadioButton* other : group_->buttons_)
    if (other != this) other->SetSelectedSilently(false);
  SetSelectedSilently(true);
  if (on_select) on_select();
}

void RadioButton::Deselect() { SetSelectedSilently(false); }

RadioButton* RadioGroup::Selected() const {
  for (RadioButton* b : buttons_)
    if (b->selected()) return b;
  return nullptr;
}

void ListControl::SetItemIndex(int i) {
  if (i < 0 || i >= static_cast<int>(items_.size())) i = -1;
  std::string t = i >= 0 ? items_[i] : std::string();
  if (index_ == i && text_ == t) return;
  index_ = i;
  text_ = t;
  Notify(Aspect::kValue);
}

bool ListControl::SelectText(const std::string& t) {
  auto it = std::find(items_.begin(), items_.end(), t);
  SetItemIndex(it == items_.end() ? -1 : static_cast<int>(it - items_.begin()));
  return index_ >= 0;
}

void ListControl::UserPick(int i) {
  SetItemIndex(i);
  if (on_pick) on_pick();
}

void ListControl::SetText(const std::string& t) {
  if (!editable_) {
    SelectText(t);
    return;
  }
  auto it = std::find(items_.begin(), items_.end(), t);
  int i = it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
  if (index_ == i && text_ == t) return;
  index_ = i;
  text_ = t;
  Notify(Aspect::kValue);
}

void TrackBar::SetPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (pos_ == p) return;
  pos_ = p;
  Notify(Aspect::kValue);
}

void Bar::SetPosition(int p) {
  p = std::clamp(p, min_, std::max(min_, max_));
  if (pos_ == p) return;
  pos_ = p;
  Notify(Aspect::kValue);
}

void Bar::SetMin(int m) {
  if (min_ == m) return;
  min_ = m;
  if (max_ < min_) max_ = min_;
  pos_ = std::clamp(pos_, min_, max_);
  Notify(Aspect::kRange);
}

void Bar::SetMax(int m) {
  if (max_ == m) return;
  max_ = m;
  if (min_ > max_) min_ = max_;
  pos_ = std::clamp(pos_, min_, max_);
  Notify(Aspect::kRange);
}

void Bar::SetColor(Rgb c) {
  if (color_ == c) return;
  color_ = c;
  Notify(Aspect::kColor);
}

void Button::SetDown(bool d) {
  if (down_ == d) return;
  down_ = d;
  Notify(Aspect::kValue);
}

void Shape::SetColor(Rgb c) {
  if (color_ == c) return;
  color_ = c;
  Notify(Aspect::kColor);
}

void Memo::Append(std::string line) {
  lines_.push_back(std::move(line));
  Notify(Aspect::kItems);
}

void Memo::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  ++generation_;
  Notify(Aspect::kValue);
}

void Memo::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  ++generation_;
  Notify(Aspect::kValue);
}

void Memo::SetText(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  bool pending = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      pending = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      pending = true;
    }
  }
  if (pending) lines.push_back(cur);
  SetLines(std::move(lines));
}

std::string Memo::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

void Grid::SetSelectedLine(int line) {
  if (selected_line_ == line) return;
  selected_line_ = line;
  Notify(Aspect::kCaret);
}

void Grid::SetSelectedColumn(int column) {
  column = column == 0 ? 0 : 1;
  if (selected_column_ == column) return;
  selected_column_ = column;
  Notify(Aspect::kCaret);
}

void Grid::SetTitles(const std::string& name_title, const std::string& value_title) {
  if (name_title_ == name_title && value_title_ == value_title) return;
  name_title_ = name_title;
  value_title_ = value_title;
  Notify(Aspect::kCaption);
}

void StatusBar::SetPanel(size_t i, const std::string& text) {
  if (i >= texts_.size() || texts_[i] == text) return;
  texts_[i] = text;
  Notify(Aspect::kValue);
}

void StatusBar::ShowNote(const std::string& text) {
  // Told again even when the text is the same: the same file loaded twice is news twice.
  note_ = text;
  Notify(Aspect::kNote);
}

void PageControl::SetActivePage(int i) {
  if (active_ == i) return;
  active_ = i;
  Notify(Aspect::kValue);
}

Timer::Timer(Form1* form, std::string name, int interval_ms, bool enabled)
    : Control(form, std::move(name), ControlKind::kTimer), interval_(interval_ms) {
  SetEnabled(enabled);
}

static int64_t NowOf(const Form1& f) { return f.clock() ? f.clock()->NowMs() : 0; }

void Timer::SetOn(bool on) {
  if (enabled() == on) return;
  if (on) due_ms_ = NowOf(form()) + interval_;
  SetEnabled(on);
}

void Timer::SetInterval(int ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  if (enabled()) due_ms_ = NowOf(form()) + interval_;
  Notify(Aspect::kRange);
}

void Timer::Restart() { due_ms_ = NowOf(form()) + interval_; }

void Timer::Fire() {
  if (!enabled()) return;
  due_ms_ = NowOf(form()) + interval_;
  if (on_timer) on_timer();
}

}  // namespace vrkt
