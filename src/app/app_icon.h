#pragma once

#include <QIcon>

namespace quennit {

// The program's icon (a magnifier on a blue tile) in every size it ships.
QIcon AppIcon();

}  // namespace quennit
