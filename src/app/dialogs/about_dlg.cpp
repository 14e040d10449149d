#include "app/dialogs/about_dlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/maker_page.h"
#include "app/dialogs/program_icon.h"
#include "app/dialogs/url_opener.h"

namespace quennit {

CAboutDlg::CAboutDlg(const QString& programFolder, QWidget* parent)
    : QDialog(parent), m_makerPage(MakerPageUrl(programFolder)) {
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

    auto* text = new QLabel(VersionText(), this);
    text->setObjectName(QStringLiteral("versionText"));
    text->setGeometry(du.Rect(33, 7, 195, 35));
    text->setAlignment(Qt::AlignCenter);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);

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

void CAboutDlg::OnMakerPage() {
    OpenUrl(m_makerPage, this);
}

}  // namespace quennit
