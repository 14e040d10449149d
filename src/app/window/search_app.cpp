#include "app/window/search_app.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <memory>
#include <utility>

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSocketNotifier>
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

// SIGTERM and SIGINT close the window (and any box over it) on the window's
// thread; the handler itself only writes to a pipe.
int g_signalPipe[2] = {-1, -1};

extern "C" void OnCloseSignal(int) {
    const char c = 0;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

class SignalCloser {
  public:
    explicit SignalCloser(QDialog& window) {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &window, [&window] {
            char c;
            while (::read(g_signalPipe[0], &c, 1) > 0) {
            }
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QDialog*>(top);
                if (box != nullptr && box != &window && box->isVisible()) {
                    box->done(QDialog::Rejected);
                }
            }
            window.reject();
        });
        struct sigaction action = {};
        action.sa_handler = OnCloseSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        ::sigaction(SIGINT, &action, &m_oldInt);
    }
    ~SignalCloser() {
        if (m_notifier) {
            ::sigaction(SIGTERM, &m_oldTerm, nullptr);
            ::sigaction(SIGINT, &m_oldInt, nullptr);
            m_notifier.reset();
            ::close(g_signalPipe[0]);
            ::close(g_signalPipe[1]);
        }
    }
    SignalCloser(const SignalCloser&) = delete;
    SignalCloser& operator=(const SignalCloser&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldTerm = {};
    struct sigaction m_oldInt = {};
};

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

CSearchApp::CSearchApp(FileLocations files) : m_files(std::move(files)) {}

CSearchApp::CSearchApp(const QString& programFolder)
    : m_files(FolderLocations(programFolder.toStdString())) {}

bool CSearchApp::InitInstance() {
    // The network library must be ready before any search thread starts.
    const GlobalHttpInit http;
    if (!http.Ok()) {
        ShowError(QStringLiteral("Windows ｿｹｯﾄの初期化に失敗しました。"));
        return false;
    }

    // A program folder without its settings file ends the program, as it
    // always did. An installed program whose config folder can't be made or
    // written runs on the template's values and the package's sample site
    // file instead: the message says so, and nothing is written at exit.
    std::string why;
    const bool ready =
        PrepareUserFolder(m_files, why) && m_settings.Load(m_files.SettingsFile().string());
    if (!ready) {
        if (!why.empty()) {
            std::cerr << "quennit: " << why << "\n";  // the box's text is fixed
        }
        ShowError(kSettingsError);
        if (!m_files.installed) {
            return false;
        }
        m_settings.LoadDefaults();
    }

    {
        CSearchDlg dlg(m_files);
        dlg.m_pSettings = &m_settings;
        const SignalCloser closer(dlg);
        dlg.exec();
    }

    // Written however the window ended, even when it closed itself at once.
    if (ready && !m_settings.Save()) {
        ShowError(kSettingsError);
    }
    return false;
}

}  // namespace quennit
