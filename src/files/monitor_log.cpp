#include "files/monitor_log.h"

#include "base/file_io.h"
#include "ui/controls.h"

namespace vrkt {

FileDialogOptions MonitorLogDialog() {
  return {"Monitor files (*.mon)|*.mon", "mon", "", FileKind::kLogFiles};
}

std::string BuildMonitorLog(const Memo& monitor) {
  size_t size = 0;
  for (const std::string& line : monitor.lines()) size += line.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& line : monitor.lines()) out.append(line).append("\r\n");
  return out;
}

void SaveMonitorLog(const Memo& monitor, const std::string& path) {
  WriteFileAtomically(path, BuildMonitorLog(monitor), "Cannot create file \"%s\". %s");
}

}  // namespace vrkt
