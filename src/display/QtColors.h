#pragma once
#include "display/Colors.h"

#include <QColor>
#include <QPalette>

namespace vk {

// A 0x00BBGGRR value as a QColor; theme colours come from the palette, clNone gives an
// invalid QColor ("not used").
QColor ToQColor(Color c, const QPalette& palette = QPalette());

// A QColor as 0x00BBGGRR.
Color FromQColor(const QColor& c);

} // namespace vk
