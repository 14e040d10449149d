#pragma once

#include <QDialog>

namespace quennit {

// Stand-in: the about box.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("aboutDialog"));
        setWindowTitle(QStringLiteral("Quennitのﾊﾞｰｼﾞｮﾝ情報"));
    }
};

}  // namespace quennit
