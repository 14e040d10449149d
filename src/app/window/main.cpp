#include <QApplication>

#include "app/window/app_icons.h"
#include "app/window/search_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quennit"));
    QApplication::setWindowIcon(quennit::AppIcon(quennit::IDR_MAINFRAME));
    quennit::SetUpApplication();
    quennit::CSearchApp theApp;
    theApp.InitInstance();
    return 0;
}
