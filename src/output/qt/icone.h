// The pictures of the print menu's six buttons, drawn in code so they scale
// and need no image files.
#pragma once

#include <QIcon>

namespace corvex::qt {

// 0 archive copy, 1 CSV, 2 PDF, 3 print, 4 preview, 5 close.
QIcon iconaMenuStampa(int index);

}  // namespace corvex::qt
