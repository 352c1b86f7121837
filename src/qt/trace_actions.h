#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "ui/dialogs.h"

class QPushButton;
class QWidget;

namespace vrkt {
class Program;
class TraceRecorder;
}  // namespace vrkt

namespace vrkt::qt {

// The file dialog for wire traces, saved ("Save trace...") or replayed ("Replay a trace...").
FileDialogOptions TraceFileDialog();

// "Save trace..." in the Monitor group, beside the column of Save Log: saves the trace of the
// session since the port opened. `pick_file` asks for the file; a trace that cannot be saved,
// or that does not exist yet, is said in a message box.
QPushButton* AddSaveTraceButton(QWidget& window, TraceRecorder& recorder,
                                std::function<std::optional<std::string>()> pick_file);

// Saves the trace to `path`; returns the message to show, empty on success.
std::string SaveTrace(const TraceRecorder& recorder, const std::string& path);

}  // namespace vrkt::qt
