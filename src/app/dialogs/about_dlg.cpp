#include "app/dialogs/about_dlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "app/dialogs/program_icon.h"
#include "app/dialogs/url_opener.h"

namespace quennit {

CAboutDlg::CAboutDlg(const FileLocations& files, QWidget* parent)
    : QDialog(parent),
      m_makerPage(MakerPageUrl(QString::fromStdString(files.dataFolder.string()))) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("Quennitのﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(kModalDialogFlags);
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.X(235), du.Y(69));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("appIcon"));
    icon->setGeometry(du.Rect(7, 14, 20, 21));
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(ProgramIcon().pixmap(icon->size()));

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("versionText"));
    text->setGeometry(du.Rect(33, 7, 195, 35));
    text->setAlignment(Qt::AlignCenter);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A long folder is elided in the middle; the tip holds it whole.
    const QString where = FilesText(files);
    text->setText(
        VersionText() + QLatin1Char('\n') +
        QFontMetrics(text->font()).elidedText(where, Qt::ElideMiddle, text->width() - 2 * du.X(4)));
    text->setToolTip(where);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(du.Rect(178, 47, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The caption is the page's address. A long folder doesn't fit the
    // button, so the middle is elided and the whole address is the tip.
    auto* maker = new QPushButton(this);
    maker->setObjectName(QStringLiteral("makerPageButton"));
    maker->setGeometry(du.Rect(33, 47, 141, 14));
    const QString address = m_makerPage.toString();
    const int room = maker->width() - 2 * du.X(4);
    maker->setText(QFontMetrics(maker->font()).elidedText(address, Qt::ElideMiddle, room));
    maker->setToolTip(address);
    connect(maker, &QPushButton::clicked, this, &CAboutDlg::OnMakerPage);

    ok->setFocus();
}

QString CAboutDlg::VersionText() {
    return QStringLiteral("Quennit Version %1\n日本語メタ検索ツール")
        .arg(QStringLiteral(QUENNIT_VERSION));
}

QString CAboutDlg::FilesText(const FileLocations& files) {
    if (!files.installed) {
        return QStringLiteral("フォルダー モード: ") +
               QString::fromStdString(files.folder.string());
    }
    return QStringLiteral("インストール モード: ") +
           (files.folder.empty() ? QStringLiteral("設定フォルダーがありません")
                                 : QString::fromStdString(files.folder.string()));
}

void CAboutDlg::OnMakerPage() {
    OpenUrl(m_makerPage, this);
}

}  // namespace quennit
