#include "app/dialogs/url_opener.h"

#include <utility>

#include <QDesktopServices>
#include <QMessageBox>

namespace quennit {

namespace {

UrlOpener& CurrentOpener() {
    static UrlOpener opener;
    return opener;
}

}  // namespace

bool OpenUrl(const QUrl& url, QWidget* parent) {
    const UrlOpener& opener = CurrentOpener();
    if (opener ? opener(url) : QDesktopServices::openUrl(url)) {
        return true;
    }
    // Qt's own word on it is one English line on standard error.
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quennit"),
                    QStringLiteral("次のアドレスを開けませんでした。\n\n%1\n\n"
                                   "既定のブラウザーを設定してから、もう一度お試しください。"
                                   "アドレスをコピーしてブラウザーに貼り付けることもできます。")
                        .arg(url.toString()),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("openFailedMessage"));
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
    return false;
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
