#include "qt/form_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

#include "app/program.h"
#include "params/field_chars.h"
#include "qt/monitor_view.h"
#include "qt/input_gate.h"
#include "qt/phonebook_view.h"
#include "qt/shortcuts.h"
#include "qt/text_convert.h"
#include "qt/widgets.h"

namespace vrkt::qt {

namespace {

QColor ToColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// A page's tab: the page sits in the stacked widget of its page control.
std::pair<QTabWidget*, int> TabOf(QWidget* page) {
  QWidget* stack = page->parentWidget();
  QTabWidget* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
  return {tabs, tabs ? tabs->indexOf(page) : -1};
}

// Sets a flag for the duration of a widget update made for the model.
class Updating {
 public:
  explicit Updating(int& n) : n_(n) { ++n_; }
  ~Updating() { --n_; }

 private:
  int& n_;
};

// Marks the control the user is typing into while the model handles the keystroke. Its widget
// holds the text and caret the user sees, so the model's echo of that text is not drawn back:
// a setText there would move the caret away from where the user types.
class TypingInto {
 public:
  TypingInto(const Control*& slot, const Control* control) : slot_(slot), was_(slot) {
    slot_ = control;
  }
  ~TypingInto() { slot_ = was_; }

 private:
  const Control*& slot_;
  const Control* was_;
};

}  // namespace

FormBinder::FormBinder(Program& program, QWidget* root, std::function<void()> after_action)
    : QObject(root), program_(program), root_(root), after_action_(std::move(after_action)) {}

FormBinder::~FormBinder() { program_.form.RemoveObserver(this); }

QWidget* FormBinder::WidgetOf(const Control& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second.data();
}

std::vector<const Control*> FormBinder::Unbound() const {
  std::vector<const Control*> out;
  for (const Control* c : program_.form.controls())
    if (!WidgetOf(*c)) out.push_back(c);
  return out;
}

void FormBinder::RunAction(const std::function<void()>& action) {
  program_.Run(action);
  if (after_action_) after_action_();
}

void FormBinder::BindAll() {
  Form1& form = program_.form;
  for (Control* c : form.controls()) {
    if (c->kind() == ControlKind::kTimer) continue;
    QWidget* w = c == &form.Form1Window ? root_
                                        : root_->findChild<QWidget*>(QString::fromStdString(c->name()));
    if (w) Bind(*c, w);
  }
  for (auto& [control, widget] : widgets_) {
    Control& c = *const_cast<Control*>(control);
    for (Aspect a : {Aspect::kItems, Aspect::kRange, Aspect::kCaption, Aspect::kTooltip,
                     Aspect::kColor, Aspect::kValue, Aspect::kEnabled, Aspect::kVisible})
      Draw(c, a);
  }
  form.AddObserver(this);
}

void FormBinder::Bind(Control& c, QWidget* w) {
  widgets_[&c] = w;
  switch (c.kind()) {
    case ControlKind::kEdit: {
      auto& edit = static_cast<Edit&>(c);
      auto* line = qobject_cast<QLineEdit*>(w);
      if (!line || typing_ == &c) break;
      GateInput(c, line);
      connect(line, &QLineEdit::textEdited, this, [this, &edit, line](const QString& text) {
        if (updating()) return;
        {
          TypingInto typing(typing_, &edit);
          RunAction([&] { edit.SetText(FromQ(text)); });
        }
        AfterEdit(edit, line);
      });
      break;
    }
    case ControlKind::kCheckBox: {
      auto& box = static_cast<CheckBox&>(c);
      auto* check = qobject_cast<QCheckBox*>(w);
      if (!check) break;
      connect(check, &QCheckBox::clicked, this, [this, &box](bool on) {
        if (updating()) return;
        RunAction([&] { box.SetChecked(on); });
        Draw(box, Aspect::kValue);
      });
      break;
    }
    case ControlKind::kRadioButton: {
      auto& radio = static_cast<RadioButton&>(c);
      auto* button = qobject_cast<QRadioButton*>(w);
      if (!button) break;
      // The model owns the group's exclusivity; Qt's would fight it.
      button->setAutoExclusive(false);
      connect(button, &QRadioButton::clicked, this, [this, &radio](bool) {
        if (updating()) return;
        RunAction([&] { radio.Select(); });
        Draw(radio, Aspect::kValue);
      });
      break;
    }
    case ControlKind::kList: {
      auto& list = static_cast<ListControl&>(c);
      auto* combo = qobject_cast<QComboBox*>(w);
      if (!combo) break;
      combo->setEditable(list.editable());
      if (list.editable()) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        // Inline completion selects the rest of the text even when the user types in its middle,
        // and the next key then replaces it; the drop-down offers the items anyway.
        combo->setCompleter(nullptr);
        GateInput(c, combo->lineEdit());
        connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                [this, &list, combo](const QString& t) {
                  if (updating()) return;
                  {
                    TypingInto typing(typing_, &list);
                    RunAction([&] { list.SetText(FromQ(t)); });
                  }
                  AfterListEdit(list, combo);
                });
      }
      connect(combo, &QComboBox::activated, this, [this, &list](int i) {
        if (updating()) return;
        RunAction([&] { list.UserPick(i); });
        Draw(list, Aspect::kValue);
      });
      break;
    }
    case ControlKind::kTrackBar: {
      auto& bar = static_cast<TrackBar&>(c);
      auto* slider = qobject_cast<QSlider*>(w);
      if (!slider) break;
      connect(slider, &QSlider::valueChanged, this, [this, &bar](int v) {
        if (updating()) return;
        RunAction([&] { bar.SetPosition(v); });
        Draw(bar, Aspect::kValue);
      });
      break;
    }
    case ControlKind::kLabel: {
      auto& label = static_cast<Label&>(c);
      if (auto* click = dynamic_cast<ClickableLabel*>(w)) {
        click->on_click = [this, &label] {
          if (label.enabled() && label.on_click) RunAction([&] { label.on_click(); });
        };
      }
      break;
    }
    case ControlKind::kButton: {
      auto& button = static_cast<Button&>(c);
      auto* b = qobject_cast<QAbstractButton*>(w);
      if (!b) break;
      connect(b, &QAbstractButton::clicked, this, [this, &button, b] {
        if (updating()) return;
        // Latching buttons of one group: the pressed one stays down and releases the others
        // before its handler runs, so the handler sees the new state.
        QVariant group = b->property("latchGroup");
        RunAction([&] {
          if (group.isValid()) {
            for (auto& [control, widget] : widgets_) {
              if (control->kind() != ControlKind::kButton || !widget) continue;
              if (widget->property("latchGroup") == group && control != &button)
                static_cast<Button*>(const_cast<Control*>(control))->SetDown(false);
            }
            button.SetDown(true);
          }
          if (button.on_click) button.on_click();
        });
        Draw(button, Aspect::kValue);
      });
      break;
    }
    case ControlKind::kMemo: {
      auto& memo = static_cast<Memo&>(c);
      if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
        connect(text, &QPlainTextEdit::textChanged, this, [this, &memo, text] {
          if (updating() || text->isReadOnly()) return;
          // The user is typing: the model follows, the widget keeps its own cursor and text.
          Updating u(updating_);
          TypingInto typing(typing_, &memo);
          program_.Run([&] { memo.SetText(FromQ(text->toPlainText())); });
        });
      }
      break;
    }
    case ControlKind::kGrid: {
      auto& grid = static_cast<Grid&>(c);
      if (auto* view = dynamic_cast<PhoneBookView*>(w)) {
        view->on_cell_changed = [this, &grid](int line, int column) {
          RunAction([&] {
            grid.SetSelectedLine(line);
            grid.SetSelectedColumn(column);
          });
        };
      }
      break;
    }
    case ControlKind::kPageControl: {
      auto& pages = static_cast<PageControl&>(c);
      if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        connect(tabs, &QTabWidget::currentChanged, this, [this, &pages](int i) {
          if (updating()) return;
          RunAction([&] { pages.SetActivePage(i); });
        });
      }
      break;
    }
    default:
      break;
  }
}

void FormBinder::GateInput(const Control& c, QLineEdit* line) {
  const QString accepted =
      QString::fromStdString(std::string(AcceptedCharacters(program_.form, c)));
  QWidget* window = root_;
  line->setValidator(new InputGate(
      accepted, [window](const QString& note) { ShowStatusNote(window, note); }, line));
}

void FormBinder::AfterEdit(Edit& edit, QLineEdit* line) {
  Updating u(updating_);
  QString model_text = ToQ(edit.text());
  if (line->text() != model_text) {
    // The field's rule rewrote the text: show the model's text and caret.
    line->setText(model_text);
    line->setCursorPosition(static_cast<int>(edit.caret()));
  } else {
    // The rule left the text as typed: the caret stays where the user is typing.
    edit.SetCaret(static_cast<size_t>(line->cursorPosition()));
  }
}

void FormBinder::AfterListEdit(ListControl& list, QComboBox* combo) {
  Updating u(updating_);
  QLineEdit* line = combo->lineEdit();
  const QString typed = line->text();
  const int caret = line->cursorPosition();
  // Selecting an item rewrites the box's text (to nothing for no item), so the typed text and
  // caret are put back afterwards where the model kept that text.
  if (combo->currentIndex() != list.item_index()) combo->setCurrentIndex(list.item_index());
  QString model_text = ToQ(list.text());
  if (line->text() != model_text) line->setText(model_text);
  line->setCursorPosition(model_text == typed ? caret : static_cast<int>(model_text.size()));
}

void FormBinder::ControlChanged(Control& control, Aspect aspect) {
  if (widgets_.count(&control)) Draw(control, aspect);
}

void FormBinder::Draw(Control& c, Aspect a) {
  QWidget* w = WidgetOf(c);
  if (!w) return;
  Updating u(updating_);
  switch (a) {
    case Aspect::kVisible:
      if (c.kind() == ControlKind::kPage) {
        auto [tabs, i] = TabOf(w);
        if (tabs) tabs->setTabVisible(i, c.visible());
      } else if (w != root_) {
        w->setVisible(c.visible());
      }
      break;
    case Aspect::kEnabled:
      w->setEnabled(c.enabled());
      break;
    case Aspect::kCaption: {
      QString text = ToQ(c.caption());
      if (w == root_) {
        w->setWindowTitle(text);
      } else if (c.kind() == ControlKind::kPage) {
        auto [tabs, i] = TabOf(w);
        if (tabs) tabs->setTabText(i, text);
      } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(text);
      } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
      } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
      } else if (auto* view = dynamic_cast<PhoneBookView*>(w)) {
        view->book_model()->TitlesChanged();
      }
      break;
    }
    case Aspect::kTooltip: {
      QString tip = ToQ(c.tooltip());
      if (c.kind() == ControlKind::kPage) {
        // The SERVICE sheet keeps its tooltip text but never shows it.
        auto [tabs, i] = TabOf(w);
        if (tabs && &c != &program_.form.Service) tabs->setTabToolTip(i, tip);
      } else if (w != root_) {
        const QString key = ShortcutTextOf(w);
        if (!key.isEmpty()) tip = tip.isEmpty() ? key : tip + " (" + key + ")";
        w->setToolTip(tip);
      }
      break;
    }
    case Aspect::kItems:
      if (c.kind() == ControlKind::kList) {
        auto& list = static_cast<ListControl&>(c);
        auto* combo = qobject_cast<QComboBox*>(w);
        if (!combo) break;
        combo->clear();
        for (const std::string& item : list.items()) combo->addItem(ToQ(item));
        DrawValue(c, w);
      } else if (c.kind() == ControlKind::kMemo) {
        if (auto* view = dynamic_cast<MonitorView*>(w)) {
          view->monitor_model()->LinesAppended();
        } else {
          DrawValue(c, w);
        }
      }
      break;
    case Aspect::kRange:
    case Aspect::kColor:
    case Aspect::kValue:
    case Aspect::kCaret:
      if (a == Aspect::kCaret && c.kind() == ControlKind::kGrid) {
        // Only the selection moved (or the program asks for the grid): keep any open editor.
        if (auto* view = dynamic_cast<PhoneBookView*>(w)) {
          auto& grid = static_cast<Grid&>(c);
          view->ShowCell(grid.selected_line(), grid.selected_column());
        }
        w->setFocus();
        break;
      }
      DrawValue(c, w);
      break;
    case Aspect::kNote:
      if (c.kind() == ControlKind::kStatusBar)
        ShowStatusNote(root_, ToQ(static_cast<StatusBar&>(c).note()));
      break;
  }
}

void FormBinder::DrawValue(Control& c, QWidget* w) {
  switch (c.kind()) {
    case ControlKind::kEdit: {
      auto& edit = static_cast<Edit&>(c);
      auto* line = qobject_cast<QLineEdit*>(w);
      if (!line || typing_ == &c) break;
      GateInput(c, line);
      QString text = ToQ(edit.text());
      if (line->text() != text) line->setText(text);
      if (line->cursorPosition() != static_cast<int>(edit.caret()))
        line->setCursorPosition(static_cast<int>(edit.caret()));
      break;
    }
    case ControlKind::kCheckBox:
      if (auto* check = qobject_cast<QCheckBox*>(w))
        check->setChecked(static_cast<CheckBox&>(c).checked());
      break;
    case ControlKind::kRadioButton:
      // A selection deselects the others silently; each of them reports its own change.
      if (auto* radio = qobject_cast<QRadioButton*>(w))
        radio->setChecked(static_cast<RadioButton&>(c).selected());
      break;
    case ControlKind::kList: {
      auto& list = static_cast<ListControl&>(c);
      auto* combo = qobject_cast<QComboBox*>(w);
      if (!combo || typing_ == &c) break;
      if (combo->currentIndex() != list.item_index()) combo->setCurrentIndex(list.item_index());
      if (list.editable() && combo->currentText() != ToQ(list.text()))
        combo->setEditText(ToQ(list.text()));
      break;
    }
    case ControlKind::kTrackBar: {
      auto& bar = static_cast<TrackBar&>(c);
      if (auto* slider = qobject_cast<QSlider*>(w)) {
        slider->setRange(bar.min(), bar.max());
        slider->setValue(bar.position());
      }
      break;
    }
    case ControlKind::kBar: {
      auto& bar = static_cast<Bar&>(c);
      if (auto* view = dynamic_cast<BarWidget*>(w)) {
        view->SetRange(bar.min(), bar.max());
        view->SetValue(bar.position());
        view->SetBarColor(ToColor(bar.color()));
      }
      break;
    }
    case ControlKind::kShape:
      if (auto* shape = dynamic_cast<ShapeWidget*>(w))
        shape->SetColor(ToColor(static_cast<Shape&>(c).color()));
      break;
    case ControlKind::kButton:
      if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
        b->setChecked(static_cast<Button&>(c).down());
      break;
    case ControlKind::kMemo: {
      auto& memo = static_cast<Memo&>(c);
      if (auto* view = dynamic_cast<MonitorView*>(w)) {
        view->monitor_model()->Reset();
      } else if (auto* text = qobject_cast<QPlainTextEdit*>(w); text && typing_ != &c) {
        QStringList lines;
        for (const std::string& l : memo.lines()) lines << ToQ(l);
        QString joined = lines.join('\n');
        if (text->toPlainText() != joined) text->setPlainText(joined);
      }
      break;
    }
    case ControlKind::kGrid: {
      auto& grid = static_cast<Grid&>(c);
      if (auto* view = dynamic_cast<PhoneBookView*>(w)) {
        view->book_model()->Reload();
        view->ShowCell(grid.selected_line(), grid.selected_column());
      }
      break;
    }
    case ControlKind::kStatusBar: {
      auto& bar = static_cast<StatusBar&>(c);
      for (size_t i = 0; i < bar.panel_count(); ++i) {
        auto* panel = w->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
        if (!panel) continue;
        // Under a note (ShowStatusNote) the panel's own text waits until the note has gone.
        if (panel->property("textUnderNote").isValid())
          panel->setProperty("textUnderNote", ToQ(bar.panel(i)));
        else
          panel->setText(ToQ(bar.panel(i)));
      }
      break;
    }
    case ControlKind::kPageControl:
      if (auto* tabs = qobject_cast<QTabWidget*>(w))
        tabs->setCurrentIndex(static_cast<PageControl&>(c).active_page());
      break;
    default:
      break;
  }
}

}  // namespace vrkt::qt
