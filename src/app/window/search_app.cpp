#include "app/window/search_app.h"

#include <utility>

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "app/dialogs/dialog_units.h"
#include "app/window/search_dlg.h"
#include "platform/http_client.h"

namespace quennit {

namespace {

void ShowError(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quennit"), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

const QString kSettingsError = QStringLiteral("初期化ファイルの読み込みでエラーが発生しました。");

}  // namespace

bool SetUpApplication() {
    QApplication::setFont(DialogFont());
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

CSearchApp::CSearchApp(QString programFolder) : m_strFolder(std::move(programFolder)) {}

bool CSearchApp::InitInstance() {
    // The network library must be ready before any search thread starts.
    const GlobalHttpInit http;
    if (!http.Ok()) {
        ShowError(QStringLiteral("Windows ｿｹｯﾄの初期化に失敗しました。"));
        return false;
    }

    if (m_strFolder.isEmpty()) {
        m_strFolder = QCoreApplication::applicationDirPath();
    }
    if (!m_strFolder.endsWith(QLatin1Char('/'))) {
        m_strFolder += QLatin1Char('/');
    }
    m_strSettingsPath = (m_strFolder + QStringLiteral("Quennit.ini")).toStdString();

    if (!m_settings.Load(m_strSettingsPath)) {
        ShowError(kSettingsError);
        return false;
    }

    {
        CSearchDlg dlg(m_strFolder);
        dlg.m_pSettings = &m_settings;
        dlg.exec();
    }

    // Written however the window ended, even when it closed itself at once.
    if (!m_settings.Save()) {
        ShowError(kSettingsError);
    }
    return false;
}

}  // namespace quennit
