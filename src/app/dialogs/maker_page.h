#pragma once

#include <QString>
#include <QUrl>

namespace quennit {

// The maker's page that the about box links to and that the site-file error
// message names: the help page shipped beside the program, which explains
// how to get and write a correct site definition file.
inline QUrl MakerPageUrl(const QString& programFolder) {
    return QUrl::fromLocalFile(programFolder + QStringLiteral("Help/Quennit.html"));
}

}  // namespace quennit
