#pragma once

#include <QDialog>

#include "app/app_settings.h"
#include "engine/search_session.h"

namespace quennit {

// Stand-in: the settings dialog.
class CSettingDlg : public QDialog {
    Q_OBJECT

  public:
    CSettingDlg(CSearchSession* session, CAppSettings* settings, QWidget* parent = nullptr)
        : QDialog(parent), m_pSession(session), m_pSettings(settings) {
        setObjectName(QStringLiteral("settingDialog"));
    }

  private:
    CSearchSession* m_pSession;
    CAppSettings* m_pSettings;
};

}  // namespace quennit
