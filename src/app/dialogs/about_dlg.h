#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

namespace quennit {

// The version box: icon, program name and version, OK, and a button that
// opens the maker's page (the help page beside the program). That button
// leaves the box open.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // programFolder: the program's folder, ending in a slash.
    explicit CAboutDlg(const QString& programFolder, QWidget* parent = nullptr);

    static QString VersionText();

  private:
    void OnMakerPage();

    QUrl m_makerPage;
};

}  // namespace quennit
