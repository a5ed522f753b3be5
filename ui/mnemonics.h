#pragma once

class QMenuBar;

namespace zar {

// Gives every menu of the bar and every entry of those menus (submenus
// included) a mnemonic that has none yet: the first letter that starts a
// word and is still free among its neighbours, else any free letter. Alt
// and that letter then open the menu or choose the entry.
void AssignMnemonics(QMenuBar& bar);

}  // namespace zar
