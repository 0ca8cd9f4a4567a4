#include "display/QtColors.h"

namespace vk {

QColor ToQColor(Color c, const QPalette& palette) {
    if (c == clNone)
        return QColor();
    if (c == clBtnFace)
        return palette.color(QPalette::Button);
    if (c == clBtnShadow)
        return palette.color(QPalette::Dark);
    if (IsThemeColor(c))
        return palette.color(QPalette::Window);
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Color FromQColor(const QColor& c) {
    if (!c.isValid())
        return clNone;
    return static_cast<Color>(c.red()) | static_cast<Color>(c.green()) << 8 |
           static_cast<Color>(c.blue()) << 16;
}

} // namespace vk
