#pragma once

#include <QWidget>

class QKeyEvent;
class QPushButton;

namespace quennit {

class DialogUnits;

// A page of a tabbed dialog. Enter typed inside a page stays in the page:
// it doesn't press the dialog's OK but goes to OnEnter, which does nothing
// unless the page says otherwise. Escape goes on to the dialog and cancels
// it, wherever the focus is.
class CDialogPage : public QWidget {
    Q_OBJECT

  public:
    explicit CDialogPage(QWidget* parent = nullptr);

  protected:
    virtual void OnEnter() {}
    void keyPressEvent(QKeyEvent* event) override;

    // The page's hidden default button (1018), placed as in the template.
    void AddHiddenDefaultButton(const DialogUnits& du);
};

}  // namespace quennit
