#pragma once

#include <QString>

#include "app/settings/app_settings.h"
#include "platform/file_locations.h"

namespace quennit {

// The application: finds its files (folder or installed mode), loads
// Quennit.ini, runs the main window modally and writes the settings back
// when it has closed. SIGTERM and SIGINT close the window as its close
// button does, so a session's end or a kill still saves the settings.
// Program-wide set-up before any window: the dialog font for every window
// (message boxes included) and Qt's own Japanese texts for the standard
// buttons and menus, whatever the locale. False when Qt's translation is
// missing; the buttons then stay English.
bool SetUpApplication();

class CSearchApp {
  public:
    // The running program's files, by the folder-or-installed rule.
    explicit CSearchApp(FileLocations files = LocateFiles(RunningProgramFolder()));
    // Folder mode: programFolder ends in "/".
    explicit CSearchApp(const QString& programFolder);

    // The whole run: start-up, the window, shutdown. Always false, after
    // which the program ends.
    bool InitInstance();

    const FileLocations& Files() const { return m_files; }

    CAppSettings m_settings;

  private:
    FileLocations m_files;
};

}  // namespace quennit
