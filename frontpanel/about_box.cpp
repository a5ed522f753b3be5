#include "frontpanel/about_box.h"

#include "ui/app_info.h"
#include "zar/version.h"

namespace zar {

QString AboutText() {
  const QString version = QStringLiteral("Version : %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
  return version + '\r' + "written by " + AuthorName + '\r' + "visit: " + ProjectAddress;
}

}  // namespace zar
