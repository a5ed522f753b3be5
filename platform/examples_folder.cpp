#include "platform/examples_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zar {

namespace {

bool IsFolder(const QString& path) { return QFileInfo(path).isDir(); }

}  // namespace

QString ExamplesFolder() {
  const QString installed =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/zar/examples"));
  if (IsFolder(installed)) return installed;
  const QString source = QStringLiteral(ZAR_SOURCE_EXAMPLES_DIR);
  if (IsFolder(source)) return source;
  return {};
}

}  // namespace zar
