#include "app/dialogs/program_icon.h"

#include <QString>

namespace quennit {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/quennit/quennit-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quennit
