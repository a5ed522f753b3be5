#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "exercise/course.h"

class QAction;
class QMenu;

namespace zar {

// The course beside Exercise > "Open Exercise...": a submenu with its
// exercises in order, the one open checked, and "Next Exercise" and
// "Previous Exercise", each disabled where the course ends. Without a course
// file, or with one that cannot be read, the submenu is disabled and its
// tooltip says why.
class CourseMenu : public QObject {
  Q_OBJECT

 public:
  // Adds its entries to the end of the menu.
  CourseMenu(const QString& courseFile, QMenu& exerciseMenu);

  const Course& Entries() const { return course_; }
  // The exercise file now open; one outside the course checks no entry,
  // and Next then begins the course.
  void SetCurrent(const QString& exerciseFile);

 signals:
  void ExerciseChosen(const QString& path);

 private:
  void Choose(int index);
  void ShowPlace();

  Course course_;
  int current_ = -1;
  QMenu* list_ = nullptr;
  QList<QAction*> entries_;
  QAction* next_ = nullptr;
  QAction* previous_ = nullptr;
};

// Whether the Open Exercise dialog lists a file of this name: not a course
// (a name ending in course.json) nor a JSON schema.
bool ListedAsExercise(const QString& fileName);

}  // namespace zar
