#pragma once

#include <QIcon>

namespace quennit {

// The window's icons, by their resource numbers.
enum AppIconId {
    IDR_MAINFRAME = 128,  // application
    IDI_SEARCH = 132,
    IDI_SETTING = 133,
    IDI_HELP = 134,
    IDI_STOP = 139,
    IDI_LISTSWITCH = 140,
};

// The icon of one id, drawn as vectors at whatever size and scale it is
// asked for, so it stays sharp at 100 % and 200 %. The same id always gives
// the same QIcon (equal cacheKey()). An unknown id gives a null icon.
QIcon AppIcon(int id);

}  // namespace quennit
