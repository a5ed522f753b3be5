#include "ui/data_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zar {

namespace {

QString DataFolder(const QString& name, const QString& inSources) {
  const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/zar/" + name);
  if (QFileInfo(installed).isDir()) return installed;
  if (QFileInfo(inSources).isDir()) return inSources;
  return {};
}

}  // namespace

QString ExamplesFolder() { return DataFolder("examples", QStringLiteral(ZAR_SOURCE_DIR "/examples")); }

QString DocsFolder() { return DataFolder("docs", QStringLiteral(ZAR_SOURCE_DIR "/docs")); }

QString ExercisesFolder() { return DataFolder("exercises", QStringLiteral(ZAR_SOURCE_DIR "/exercises")); }

}  // namespace zar
