#pragma once
// The program's icon: a price tag with a note on it, drawn rather than
// loaded so it stays sharp at every size.

#include <QIcon>
#include <QPixmap>

namespace tn {

QPixmap program_pixmap(int size);
// Sizes 16, 24, 32, 48, 64 and 128.
QIcon program_icon();

}  // namespace tn
