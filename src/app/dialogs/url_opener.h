#pragma once

#include <functional>

#include <QUrl>

namespace quennit {

// Hands an address to the desktop (the browser, or the file's viewer).
// Every window opens addresses through OpenUrl, so that tests can replace
// the desktop with a recorder instead of starting a browser.
using UrlOpener = std::function<bool(const QUrl&)>;

bool OpenUrl(const QUrl& url);

// Replaces the opener; an empty function restores the desktop's. Returns
// the previous one.
UrlOpener SetUrlOpener(UrlOpener opener);

}  // namespace quennit
