#include "app/dialogs/dialog_page.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/dialogs/dialog_units.h"

namespace quennit {

CDialogPage::CDialogPage(QWidget* parent) : QWidget(parent) {}

void CDialogPage::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        OnEnter();
        event->accept();
        return;
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
