#pragma once

#include <string>

#include <QString>

#include "app/settings/app_settings.h"

namespace quennit {

// The application: finds the program's folder, loads Quennit.ini, runs the
// main window modally and writes the settings back when it has closed.
// Program-wide set-up before any window: the dialog font for every window
// (message boxes included) and Qt's own Japanese texts for the standard
// buttons and menus, whatever the locale. False when Qt's translation is
// missing; the buttons then stay English.
bool SetUpApplication();

class CSearchApp {
  public:
    // programFolder ends in "/"; empty means the running program's folder.
    explicit CSearchApp(QString programFolder = QString());

    // The whole run: start-up, the window, shutdown. Always false, after
    // which the program ends.
    bool InitInstance();

    const QString& ProgramFolder() const { return m_strFolder; }
    const std::string& SettingsPath() const { return m_strSettingsPath; }

    CAppSettings m_settings;

  private:
    QString m_strFolder;
    std::string m_strSettingsPath;
};

}  // namespace quennit
