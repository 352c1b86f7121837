#include "qt/program_path.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vrkt::qt {

std::string ProgramPathFromArgv0(const char* argv0) {
  QString arg = QString::fromLocal8Bit(argv0 ? argv0 : "");
  if (arg.isEmpty()) arg = QStringLiteral("VRKTset");
  bool has_folder = arg.contains('/') || arg.contains('\\');
  if (!has_folder) {
    QString found = QStandardPaths::findExecutable(arg);
    // Started from the current folder without a path (some shells and launchers do that).
    if (found.isEmpty()) found = QDir::current().absoluteFilePath(arg);
    arg = found;
  }
  // absoluteFilePath and cleanPath only join and tidy the text; neither follows links.
  QString abs = QDir::cleanPath(QDir::current().absoluteFilePath(arg));
  return QDir::toNativeSeparators(abs).toStdString();
}

}  // namespace vrkt::qt
