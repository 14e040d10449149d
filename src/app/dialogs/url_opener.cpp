#include "app/dialogs/url_opener.h"

#include <utility>

#include <QDesktopServices>

namespace quennit {

namespace {

UrlOpener& CurrentOpener() {
    static UrlOpener opener;
    return opener;
}

}  // namespace

bool OpenUrl(const QUrl& url) {
    const UrlOpener& opener = CurrentOpener();
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}

QUrl LinkUrl(const QString& link) {
    const bool hasScheme = link.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
                           link.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
    return QUrl(hasScheme ? link : QStringLiteral("http://") + link, QUrl::TolerantMode);
}

UrlOpener SetUrlOpener(UrlOpener opener) {
    return std::exchange(CurrentOpener(), std::move(opener));
}

}  // namespace quennit
