#pragma once

#include <functional>

#include <QString>
#include <QUrl>

class QWidget;

namespace quennit {

// Hands an address to the desktop (the browser, or the file's viewer).
// Every window opens addresses through OpenUrl, so that tests can replace
// the desktop with a recorder instead of starting a browser.
using UrlOpener = std::function<bool(const QUrl&)>;

// Opens url; when the desktop can't (no browser is set up), a message box
// over parent says so and shows the address for copying. True when opened.
bool OpenUrl(const QUrl& url, QWidget* parent);

// The browser address of a result link or a site's HOST_ADDR: as it stands
// when it already starts with "http://" or "https://" (any case), otherwise
// with "http://" in front, the way links were always written.
QUrl LinkUrl(const QString& link);

// Replaces the opener; an empty function restores the desktop's. Returns
// the previous one.
UrlOpener SetUrlOpener(UrlOpener opener);

}  // namespace quennit
