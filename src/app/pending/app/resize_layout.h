#pragma once

#include <vector>

#include <QRect>
#include <QWidget>

namespace quennit {

// Stand-in: keeps child controls in place when the window is resized.
class CResizeLayout {
  public:
    virtual ~CResizeLayout() = default;
    bool AddControl(QWidget* parent, QWidget* control, int left, int top, int right, int bottom,
                    bool setMinimum);
    void Apply(QWidget* parent, bool repaint);

  private:
    struct Item {
        QWidget* control;
        int rl, bt, rr, bb;
        int left, top, right, bottom;
        int w, h;
    };
    std::vector<Item> m_items;
    int m_minWidth = 0;
    int m_minHeight = 0;
};

}  // namespace quennit
