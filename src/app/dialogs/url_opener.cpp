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

UrlOpener SetUrlOpener(UrlOpener opener) {
    return std::exchange(CurrentOpener(), std::move(opener));
}

}  // namespace quennit
