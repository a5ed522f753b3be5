#pragma once

#include <QStringList>

namespace zar {

// The source files loaded or saved in this session, newest first. Nothing
// is stored beyond the session.
class RecentFiles {
 public:
  static constexpr int Kept = 8;

  void Add(const QString& path) {
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > Kept) paths_.removeLast();
  }
  const QStringList& Paths() const { return paths_; }

 private:
  QStringList paths_;
};

}  // namespace zar
