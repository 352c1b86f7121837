#include "qt/trace_actions.h"

#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>

#include "base/error.h"
#include "base/file_io.h"
#include "link/wire_trace.h"

namespace vrkt::qt {

FileDialogOptions TraceFileDialog() {
  return {"Wire traces (*.trace)|*.trace|All files (*)|*", "trace", "", FileKind::kTraceFiles};
}

std::string SaveTrace(const TraceRecorder& recorder, const std::string& path) {
  if (!recorder.HasTrace()) return "No port has been opened yet: there is no trace to save.";
  try {
    WriteFileAtomically(path, recorder.Text(), "Cannot save the trace \"%s\". %s");
  } catch (const AppError& e) {
    return e.what();
  }
  return {};
}

QPushButton* AddSaveTraceButton(QWidget& window, TraceRecorder& recorder,
                                std::function<std::optional<std::string>()> pick_file) {
  auto* group = window.findChild<QGroupBox*>("GroupBox7");
  auto* monitor = window.findChild<QWidget*>("Monitor");
  auto* save_log = window.findChild<QWidget*>("SaveMonitor");
  if (!group || !monitor || !save_log) return nullptr;
  // The column beside the Monitor is full: the Monitor gives up a row at its foot, and the
  // button stands there, against Save Log's column.
  QRect m = monitor->geometry();
  const int height = 24;
  monitor->setGeometry(m.x(), m.y(), m.width(), m.height() - height - 4);
  auto* button = new QPushButton(QStringLiteral("Save trace..."), group);
  button->setObjectName("SaveTrace");
  button->setToolTip(
      QStringLiteral("Save every byte to and from the unit since the port opened, with times and "
                     "modem lines (PINs written as ****)."));
  const int width = save_log->width();
  button->setGeometry(m.x() + m.width() - width, m.y() + m.height() - height, width, height);
  QObject::connect(button, &QPushButton::clicked, button, [&window, &recorder, pick_file] {
    if (!recorder.HasTrace()) {
      QMessageBox::information(&window, window.windowTitle(),
                               QString::fromStdString(SaveTrace(recorder, {})));
      return;
    }
    std::optional<std::string> path = pick_file();
    if (!path) return;
    std::string why = SaveTrace(recorder, *path);
    if (!why.empty())
      QMessageBox::warning(&window, window.windowTitle(), QString::fromStdString(why));
  });
  button->show();
  return button;
}

}  // namespace vrkt::qt
