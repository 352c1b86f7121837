#pragma once

#include <string>

#include "ui/dialogs.h"

namespace vrkt {

class Memo;

// The traffic log saved as a file (.mon): every Monitor entry in order, each followed by CR LF.
// An empty log gives an empty file.

FileDialogOptions MonitorLogDialog();
std::string BuildMonitorLog(const Memo& monitor);
// Writes the log so that a failed write leaves any old file intact. Failure throws AppError
// "Cannot create file "<path>". <reason>".
void SaveMonitorLog(const Memo& monitor, const std::string& path);

}  // namespace vrkt
