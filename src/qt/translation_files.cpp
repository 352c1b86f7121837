#include "qt/translation_files.h"

#include <QDir>
#include <QFileInfo>

#include "app/program.h"
#include "app/texts.h"
#include "base/profile.h"

namespace vrkt::qt {

std::string FindTranslation(const std::string& program_path, const std::string& language) {
  if (language.empty()) return {};
  const QString name = QString::fromStdString(language).toLower() + ".ini";
  // A name such as "../x" is no language.
  if (name.contains('/') || name.contains('\\')) return {};
  const QDir dir = QFileInfo(QString::fromStdString(program_path)).absoluteDir();
  for (const QString& folder :
       {QStringLiteral("translations"), QStringLiteral("../share/vrktset/translations")}) {
    const QString path = dir.filePath(folder + "/" + name);
    if (QFileInfo(path).isFile()) return QDir::cleanPath(path).toStdString();
  }
  return {};
}

bool UseTranslation(Program& program, const std::string& program_path,
                    const std::string& language) {
  const std::string path = FindTranslation(program_path, language);
  if (path.empty()) return false;
  ProfileFile translation(path);
  translation.Load();
  ApplyInterfaceTexts(program, translation);
  return true;
}

}  // namespace vrkt::qt
