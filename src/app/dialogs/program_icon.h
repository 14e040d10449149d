#pragma once

#include <QIcon>

namespace quennit {

// The program's icon as shipped for the desktop menu (a magnifier on a blue
// tile), in every size it is installed in.
QIcon ProgramIcon();

}  // namespace quennit
