#pragma once

#include <QString>

namespace zar {

// Where the program finds the files it ships with: the installed
// share/zar/NAME beside the program's bin folder, else the folder of the
// source tree the program was built from, else an empty string when neither
// exists.
QString ExamplesFolder();   // the example sources
QString DocsFolder();       // the language reference and the tutorial
QString ExercisesFolder();  // the exercises for Exercise > Open Exercise

}  // namespace zar
