#include "app/app_icon.h"

#include <QString>

namespace quennit {

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/quennit/quennit-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quennit
