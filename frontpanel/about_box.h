#pragma once

#include <QString>

namespace zar {

// "Version : 1.0.25", the credit line and the link line, separated by
// carriage returns.
QString AboutText();

}  // namespace zar
