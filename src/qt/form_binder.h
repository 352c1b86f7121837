#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <unordered_map>

#include "ui/form.h"

class QComboBox;
class QLineEdit;

namespace vrkt {
class Program;
}

namespace vrkt::qt {

class MonitorView;
class PhoneBookView;

// Binds every control of the window model to the widget of the same objectName, by control kind.
// Model changes are drawn at once; user input goes to the model through the program's action
// runner. A widget update made for the model never comes back as input.
class FormBinder : public QObject, public FormObserver {
 public:
  // `after_action` runs after every user action has returned (the event pump catches up then).
  FormBinder(Program& program, QWidget* root, std::function<void()> after_action);
  ~FormBinder() override;

  // Finds and binds the widgets under `root`; draws every control's current state.
  void BindAll();
  void ControlChanged(Control& control, Aspect aspect) override;

  QWidget* WidgetOf(const Control& control) const;
  // Controls that have no widget of their name (should be only the timers).
  std::vector<const Control*> Unbound() const;
  // Runs a user action through the program's runner.
  void RunAction(const std::function<void()>& action);

 private:
  void Bind(Control& c, QWidget* w);
  void Draw(Control& c, Aspect a);
  void DrawValue(Control& c, QWidget* w);
  // After the model has handled a keystroke: the widget shows what the model made of it.
  void AfterEdit(Edit& edit, QLineEdit* line);
  // Typing that the code page or the field cannot take is refused where it is typed.
  void GateInput(const Control& c, QLineEdit* line);
  void AfterListEdit(ListControl& list, QComboBox* combo);
  bool updating() const { return updating_ > 0; }

  Program& program_;
  QWidget* root_;
  std::function<void()> after_action_;
  std::unordered_map<const Control*, QPointer<QWidget>> widgets_;
  int updating_ = 0;
  // The control the user is typing into: the model follows its widget, not the other way.
  const Control* typing_ = nullptr;
};

}  // namespace vrkt::qt
