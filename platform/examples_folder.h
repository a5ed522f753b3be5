#pragma once

#include <QString>

namespace zar {

// Where the file dialogs find the example sources: the installed
// share/zar/examples beside the program's bin folder, else the examples of
// the source tree the program was built from, else an empty string when
// neither exists.
QString ExamplesFolder();

}  // namespace zar
