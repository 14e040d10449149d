#include "app/dialogs/dialog_page.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/dialogs/dialog_units.h"

namespace quennit {

CDialogPage::CDialogPage(QWidget* parent) : QWidget(parent) {}

void CDialogPage::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (plain) {
                OnEnter();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (plain) {
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void CDialogPage::AddHiddenDefaultButton(const DialogUnits& du) {
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("pageDefaultButton"));
    button->setGeometry(du.Rect(212, 128, 18, 14));
    button->setAutoDefault(false);
    button->hide();
}

}  // namespace quennit
