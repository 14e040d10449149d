#pragma once

#include <QFont>
#include <QRect>

namespace quennit {

// The window layouts are given in dialog units: fractions of the dialog
// font's average character width (x, quarters) and height (y, eighths), so
// that a window keeps its proportions with any font size or screen scale.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int du) const;
    int Y(int du) const;
    QRect Rect(int x, int y, int width, int height) const;

  private:
    int m_baseX;
    int m_baseY;
};

// The modal dialogs: a caption with a close button, nothing to minimize or
// maximize (window managers add both unless told otherwise).
inline constexpr Qt::WindowFlags kModalDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

// The dialog font of every window: IPA P Gothic 9 pt (metric-compatible
// with the font the layouts were drawn for), else any Japanese sans font.
QFont DialogFont();

}  // namespace quennit
