#include "qt/input_gate.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "base/codepage.h"
#include "params/field_chars.h"

namespace vrkt::qt {

namespace {

constexpr char kSavedTextProperty[] = "textUnderNote";
constexpr int kNoteMs = 5000;

QString Quoted(const QStringList& letters) {
  QStringList q;
  for (const QString& l : letters) q << "\"" + l + "\"";
  return q.join(QStringLiteral(", "));
}

}  // namespace

InputGate::InputGate(QString accepted, std::function<void(const QString&)> refused, QObject* parent)
    : QValidator(parent), accepted_(std::move(accepted)), refused_(std::move(refused)) {}

QString InputGate::Refusal(const QString& text) const {
  QStringList not_accepted;
  if (!accepted_.isEmpty()) {
    for (QChar c : text)
      if (!accepted_.contains(c) && !not_accepted.contains(QString(c))) not_accepted << QString(c);
    if (!not_accepted.isEmpty()) {
      const std::string phrase(AcceptedCharactersPhrase(accepted_.toStdString()));
      return Quoted(not_accepted) + (not_accepted.size() == 1 ? " is" : " are") +
             " not accepted here: this field takes " + QString::fromStdString(phrase) + ".";
    }
  }
  const CheckedCodePageText checked = Utf8ToCodePageChecked(text.toStdString(), ActiveCodePage());
  if (checked.missing.empty()) return {};
  QStringList letters;
  for (char32_t c : checked.missing) letters << QString::fromUcs4(&c, 1);
  return Quoted(letters) + (letters.size() == 1 ? " is" : " are") + " not in code page " +
         QString::number(ActiveCodePage()) + " and cannot be kept; choose another with " +
         "CodePage= in the settings file.";
}

QValidator::State InputGate::validate(QString& input, int&) const {
  const QString note = Refusal(input);
  if (note.isEmpty()) return Acceptable;
  if (refused_) refused_(note);
  return Invalid;
}

void ShowStatusNote(QWidget* window, const QString& note) {
  auto* panel = window ? window->findChild<QLabel*>(QStringLiteral("StatusPanel0")) : nullptr;
  if (!panel) return;
  if (!panel->property(kSavedTextProperty).isValid())
    panel->setProperty(kSavedTextProperty, panel->text());
  panel->setText(note);
  panel->setToolTip(note);
  QPointer<QLabel> guard(panel);
  QTimer::singleShot(kNoteMs, panel, [guard, note] {
    if (!guard || guard->text() != note) return;
    guard->setText(guard->property(kSavedTextProperty).toString());
    guard->setProperty(kSavedTextProperty, QVariant());
    guard->setToolTip(QString());
  });
}

}  // namespace vrkt::qt
