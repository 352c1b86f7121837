#pragma once

#include <QString>
#include <QValidator>
#include <functional>

namespace vrkt::qt {

// Refuses, where it is typed or pasted, text that the active code page cannot hold or, when
// `accepted` is given, characters outside it: the field keeps its text and caret, and
// `refused` hears a short note that names the characters ("\"ř\" is not in code page 1252.").
class InputGate : public QValidator {
 public:
  InputGate(QString accepted, std::function<void(const QString&)> refused, QObject* parent);
  State validate(QString& input, int& pos) const override;
  // The note for `text`, empty when the gate lets it through.
  QString Refusal(const QString& text) const;

 private:
  QString accepted_;
  std::function<void(const QString&)> refused_;
};

// Shows a short note in the window's first status panel for a few seconds (StatusPanel0); the
// panel's own text comes back after it.
void ShowStatusNote(QWidget* window, const QString& note);

}  // namespace vrkt::qt
