#pragma once

#include <QWidget>

class QKeyEvent;
class QPushButton;

namespace quennit {

class DialogUnits;

// A page of a tabbed dialog. Enter and Escape typed inside a page stay in
// the page: they neither press the dialog's OK nor cancel it. Enter goes to
// OnEnter, which does nothing unless the page says otherwise.
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
