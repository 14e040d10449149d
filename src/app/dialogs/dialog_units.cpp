#include "app/dialogs/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace quennit {

namespace {

// Rounds a * b / c to the nearest integer, as the platform's MulDiv does.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    m_baseY = metrics.height();
    if (m_baseX <= 0) {
        m_baseX = 1;
    }
    if (m_baseY <= 0) {
        m_baseY = 1;
    }
}

int DialogUnits::X(int du) const {
    return MulDiv(du, m_baseX, 4);
}

int DialogUnits::Y(int du) const {
    return MulDiv(du, m_baseY, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

QFont DialogFont() {
    const QStringList families = QFontDatabase::families();
    for (const QString& name : {QStringLiteral("IPAPGothic"), QStringLiteral("IPA P Gothic"),
                                QStringLiteral("IPAPゴシック"), QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("IPAGothic"), QStringLiteral("VL PGothic"),
                                QStringLiteral("TakaoPGothic")}) {
        if (families.contains(name)) {
            QFont font(name);
            font.setPointSize(9);
            return font;
        }
    }
    QFont font;
    font.setPointSize(9);
    return font;
}

}  // namespace quennit
