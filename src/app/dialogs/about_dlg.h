#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include "platform/file_locations.h"

namespace quennit {

// The version box: icon, program name and version, the mode and folder of the
// user's files (so that they can be found), OK, and a button that opens the
// maker's page (the help page). That button leaves the box open.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(const FileLocations& files, QWidget* parent = nullptr);

    static QString VersionText();
    // "フォルダー モード: folder" or "インストール モード: folder".
    static QString FilesText(const FileLocations& files);

  private:
    void OnMakerPage();

    QUrl m_makerPage;
};

}  // namespace quennit
