#include "workbench/course_menu.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <string>

#include "ui/qt_text.h"

namespace zar {

namespace {

QString FromLocalPath(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

QString Canonical(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

}  // namespace

CourseMenu::CourseMenu(const QString& courseFile, QMenu& exerciseMenu) : QObject(&exerciseMenu) {
  std::string error;
  const bool read = !courseFile.isEmpty() && LoadCourse(LocalPath(courseFile), course_, error);
  list_ = exerciseMenu.addMenu(read ? "Course: " + QString::fromStdString(course_.title) : "Course");
  list_->setObjectName("mcourse");
  list_->setToolTipsVisible(true);
  if (!read) {
    course_ = {};
    list_->setEnabled(false);
    list_->menuAction()->setToolTip(courseFile.isEmpty() ? "No course is installed." : QString::fromStdString(error));
  }
  for (std::size_t i = 0; i < course_.entries.size(); ++i) {
    const int index = static_cast<int>(i);
    QString caption = QString("%1 %2").arg(index + 1).arg(QString::fromStdString(course_.entries[i].title));
    caption.replace('&', "&&");
    if (index < 9) caption.prepend('&');
    QAction* entry = list_->addAction(caption, this, [this, index] { Choose(index); });
    entry->setCheckable(true);
    entries_.append(entry);
  }
  next_ = exerciseMenu.addAction("Next Exercise", QKeySequence(Qt::ALT | Qt::Key_Right), this,
                                 [this] { Choose(current_ + 1); });
  next_->setObjectName("mnextexercise");
  previous_ = exerciseMenu.addAction("Previous Exercise", QKeySequence(Qt::ALT | Qt::Key_Left), this,
                                     [this] { Choose(current_ - 1); });
  previous_->setObjectName("mpreviousexercise");
  ShowPlace();
}

void CourseMenu::SetCurrent(const QString& exerciseFile) {
  const QString wanted = Canonical(exerciseFile);
  current_ = -1;
  for (std::size_t i = 0; i < course_.entries.size(); ++i) {
    if (Canonical(FromLocalPath(course_.entries[i].file)) == wanted) current_ = static_cast<int>(i);
  }
  ShowPlace();
}

void CourseMenu::Choose(int index) {
  if (index < 0 || index >= static_cast<int>(course_.entries.size())) return;
  emit ExerciseChosen(FromLocalPath(course_.entries[static_cast<std::size_t>(index)].file));
  ShowPlace();  // a choice the workbench did not take leaves no entry checked by the click
}

void CourseMenu::ShowPlace() {
  for (qsizetype i = 0; i < entries_.size(); ++i) entries_[i]->setChecked(i == current_);
  next_->setEnabled(current_ + 1 < static_cast<int>(entries_.size()));
  previous_->setEnabled(current_ > 0);
}

bool ListedAsExercise(const QString& fileName) {
  return !fileName.endsWith("course.json", Qt::CaseInsensitive) &&
         !fileName.endsWith(".schema.json", Qt::CaseInsensitive);
}

}  // namespace zar
